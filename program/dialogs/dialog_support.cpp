#include "dialog_support.hpp"

#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>

namespace ondrel::dialogs {
namespace {

class ShowWatcher : public QObject {
 public:
  ShowWatcher(QWidget* window, std::function<void()> onShow) : QObject(window), onShow_(std::move(onShow)) {
    window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Show) onShow_();
    return false;
  }

 private:
  std::function<void()> onShow_;
};

class QtDialogPrompts : public DialogPrompts {
 public:
  void message(QWidget* parent, const QString& text, const QString& caption, Icon icon) override {
    const auto kind = icon == Icon::Error     ? QMessageBox::Critical
                      : icon == Icon::Warning ? QMessageBox::Warning
                                              : QMessageBox::Information;
    QMessageBox box(kind, caption, text, QMessageBox::Ok, parent);
    box.exec();
  }
  bool askYesNo(QWidget* parent, const QString& text, const QString& caption) override {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
  }
  std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& start) override {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, start);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
  }
  std::optional<SaveChoice> chooseSaveFile(QWidget* parent, const QString& start) override {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the options window saves, on OK
    dialog.setNameFilters(SavePictureFilters());
    if (!start.isEmpty()) dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveChoice{dialog.selectedFiles().first(),
                      int(SavePictureFilters().indexOf(dialog.selectedNameFilter())) + 1};
  }
};

}  // namespace

void RunOnShow(QWidget* window, std::function<void()> onShow) { new ShowWatcher(window, std::move(onShow)); }

std::shared_ptr<DialogPrompts> QtPrompts() { return std::make_shared<QtDialogPrompts>(); }

QStringList SavePictureFilters() {
  return {QStringLiteral("All supported types (*.blp *.tga *.bmp *.jpg *.jpeg *.png *.dds)"),
          QStringLiteral("Blizzard Texture (*.blp)"),
          QStringLiteral("Truevision Targa (*.tga)"),
          QStringLiteral("Bitmap (*.bmp)"),
          QStringLiteral("JPEG Image (*.jpg *.jpeg)"),
          QStringLiteral("Portable Network Graphics (*.png)"),
          QStringLiteral("DirectDraw Surface (*.dds)")};
}

}  // namespace ondrel::dialogs
