// Binds the save-options window (TBLPOptionsForm) to the save-options rules: both modes,
// loading and storing the pages, the enable rules, Browse, and OK saving in save mode.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "bitmap.hpp"
#include "dialog_support.hpp"
#include "save_options_model.hpp"
#include "settings_store.hpp"

class QDialog;

namespace ondrel::dialogs {

struct OptionsFormContext {
  OndrelSettings* settings = nullptr;         // formatOptions and alphaTreatment
  std::function<void()> writeSaveOptions;     // the settings store writes the save options
  std::function<void()> openAlphaDialog;      // btnAlphaOptions
  // The viewer's current image and whether it has alpha; empty when none is open.
  std::function<std::optional<std::pair<TBitmap, bool>>()> currentImage;
  std::function<QString()> currentFile;  // the open image's path: a bare name is saved beside it
  DialogTexts texts;
  std::shared_ptr<DialogPrompts> prompts = QtPrompts();
};

class OptionsFormController : public QObject {
 public:
  OptionsFormController(QDialog* form, OptionsFormContext context);

  // Set by the opener before showing: save mode (Save as) or options-only mode (converter).
  void setSaveMode(bool saveMode) { saveMode_ = saveMode; }
  bool saveMode() const { return saveMode_; }

  // The handlers, public so a test can drive them as a click would.
  void FormShow();
  void boxFileExtChange();
  void applyEnableRules();
  void btnBrowseClick();
  void btnOKClick();

  OptionValues readControls() const;
  void showValues(const OptionValues& values);
  // The file the last OK in save mode wrote.
  const QString& lastSavedFile() const { return lastSaved_; }

 private:
  // Whether OK may write `target`: yes when it does not exist or the user agreed to replace it.
  bool mayReplace(const QString& target);

  QDialog* form_;
  OptionsFormContext context_;
  bool saveMode_ = false;
  QString lastSaved_;
  QString replaceConfirmed_;  // the existing file the browse dialog's own question agreed to replace
};

}  // namespace ondrel::dialogs
