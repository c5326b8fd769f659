#include "comment_form_controller.hpp"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

namespace ondrel::dialogs {

CommentFormController::CommentFormController(QDialog* form, CommentFormContext context)
    : QObject(form), form_(form), context_(std::move(context)) {
  if (auto* memo = FindControl<QPlainTextEdit>(form_, "memComment"))
    connect(memo, &QPlainTextEdit::textChanged, this, [this] { memCommentChange(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnOK"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnOKClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnCancel"))
    connect(button, &QAbstractButton::clicked, form_, &QDialog::reject);
  RunOnShow(form_, [this] { FormShow(); });
}

void CommentFormController::showError(const std::exception& error) {
  const QString caption = context_.texts.msgType ? context_.texts.msgType(0) : QString();
  context_.prompts->message(form_, QString::fromLocal8Bit(error.what()), caption, DialogPrompts::Icon::Error);
}

void CommentFormController::FormShow() {
  session_.reset();
  try {
    session_.emplace(context_.currentFile ? context_.currentFile() : QString());
  } catch (const std::exception& error) {
    showError(error);
    // Closing from inside the show would leave the window's modal loop running.
    QTimer::singleShot(0, form_, &QDialog::reject);
    return;
  }
  if (auto* memo = FindControl<QPlainTextEdit>(form_, "memComment")) memo->setPlainText(session_->text());
  memCommentChange();
}

void CommentFormController::memCommentChange() {
  auto* memo = FindControl<QPlainTextEdit>(form_, "memComment");
  if (!memo || !session_) return;
  const int length = CommentLength(memo->toPlainText());
  if (auto* counter = FindControl<QLabel>(form_, "lblSymCount"))
    counter->setText(CommentCounterText(length, session_->capacity()));
  if (auto* ok = FindControl<QAbstractButton>(form_, "btnOK")) ok->setEnabled(length <= session_->capacity());
}

void CommentFormController::btnOKClick() {
  auto* memo = FindControl<QPlainTextEdit>(form_, "memComment");
  if (!memo || !session_ || !session_->fits(memo->toPlainText())) return;
  try {
    session_->commit(memo->toPlainText());
  } catch (const std::exception& error) {
    showError(error);
    return;
  }
  if (context_.reloadViewer) context_.reloadViewer();
  form_->accept();
}

}  // namespace ondrel::dialogs
