// Binds the settings window (TBLPSettingsForm) to its OK and Cancel, and the about window
// (TBLPAboutForm) to its link labels.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <array>
#include <memory>

#include "dialog_support.hpp"
#include "settings_actions.hpp"

class QDialog;

namespace ondrel::dialogs {

class SettingsFormController : public QObject {
 public:
  SettingsFormController(QDialog* form, SettingsWindowContext context,
                         DialogTexts texts = {}, std::shared_ptr<DialogPrompts> prompts = QtPrompts());

  void btnOKClick();
  void btnCancelClick();

 private:
  QDialog* form_;
  SettingsWindowContext context_;
  DialogTexts texts_;
  std::shared_ptr<DialogPrompts> prompts_;
};

// The pages the about window's links open, by label (lblLink0..2): the README, the user's
// guide to the windows, and the folder of documents shipped with the program. Looked up in
// the installed place (../share/doc/ondrel/ beside the program folder), then in the source
// tree a build runs from.
std::array<QUrl, 3> AboutLinks(const QString& programFolder);

class AboutFormController : public QObject {
 public:
  AboutFormController(QDialog* form, const QString& programFolder);
  const std::array<QUrl, 3>& links() const { return links_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QDialog* form_;
  std::array<QUrl, 3> links_;
};

}  // namespace ondrel::dialogs
