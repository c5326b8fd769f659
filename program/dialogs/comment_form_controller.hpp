// Binds the comment editor (TBLPCommentForm) to the comment session of the viewer's current
// file: the counter, OK only within capacity, OK writing and reloading, Cancel writing nothing.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "comment_session.hpp"
#include "dialog_support.hpp"

class QDialog;

namespace ondrel::dialogs {

struct CommentFormContext {
  std::function<QString()> currentFile;
  // Reloads the current file into the viewer with the panel and the mipmap list, mipmap 0.
  std::function<void()> reloadViewer;
  DialogTexts texts;
  std::shared_ptr<DialogPrompts> prompts = QtPrompts();
};

class CommentFormController : public QObject {
 public:
  CommentFormController(QDialog* form, CommentFormContext context);

  void FormShow();
  void memCommentChange();
  void btnOKClick();

 private:
  void showError(const std::exception& error);

  QDialog* form_;
  CommentFormContext context_;
  std::optional<CommentSession> session_;
};

}  // namespace ondrel::dialogs
