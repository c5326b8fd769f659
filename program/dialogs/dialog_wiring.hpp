// Puts the behaviour into the program's dialogs: one controller per window, bound to the
// window's controls by name, and the openings the main window's commands use.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <utility>

#include "alpha_form_controller.hpp"
#include "batch_form_controllers.hpp"
#include "comment_form_controller.hpp"
#include "options_form_controller.hpp"
#include "settings_form_controllers.hpp"

class QDialog;
class QWidget;

namespace ondrel::dialogs {

struct DialogWindows {
  QWidget* main = nullptr;
  QDialog* options = nullptr;
  QDialog* alpha = nullptr;
  QWidget* convert = nullptr;
  QWidget* optimize = nullptr;
  QDialog* comment = nullptr;
  QDialog* settings = nullptr;
  QDialog* about = nullptr;
};

// What the dialogs need from the rest of the program.
struct DialogServices {
  SettingsPlace place;
  OndrelSettings* settings = nullptr;
  DialogTexts texts;
  // The viewer's current image (and whether it has alpha), its file, and its reload with the
  // information panel and the mipmap list at mipmap 0.
  std::function<std::optional<std::pair<TBitmap, bool>>()> currentImage;
  std::function<QString()> currentFile;
  std::function<void()> reloadViewer;
  std::function<void()> reloadLanguage;
  std::function<QString()> openCaption;
  std::shared_ptr<DialogPrompts> prompts = QtPrompts();
};

// The controllers live as children of their windows; this holds plain pointers to them. Keep
// it alive as long as the windows: the openings the controllers call run through it.
class DialogControllers {
 public:
  DialogControllers(const DialogWindows& windows, DialogServices services);

  // The viewer's Save as: the options window in save mode, modal.
  void openSaveAs();
  // The converter's options button: the options window in options-only mode, modal.
  void openFormatOptions();
  void openAlpha();

  OptionsFormController* options = nullptr;
  AlphaFormController* alpha = nullptr;
  ConvertFormController* convert = nullptr;
  OptimizeFormController* optimize = nullptr;
  CommentFormController* comment = nullptr;
  SettingsFormController* settings = nullptr;
  AboutFormController* about = nullptr;

 private:
  DialogWindows windows_;
  DialogServices services_;
};

}  // namespace ondrel::dialogs
