#include "dialog_support.hpp"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
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

QMessageBox::Icon BoxIcon(DialogPrompts::Icon icon) {
  switch (icon) {
    case DialogPrompts::Icon::Error: return QMessageBox::Critical;
    case DialogPrompts::Icon::Warning: return QMessageBox::Warning;
    case DialogPrompts::Icon::Information: break;
  }
  return QMessageBox::Information;
}

class QtDialogPrompts : public DialogPrompts {
 public:
  void message(QWidget* parent, const QString& text, const QString& caption, Icon icon) override {
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
    box.exec();
  }
  bool askReplace(QWidget* parent, const QString& text, const QString& caption) override {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  }
  void report(QWidget* parent, const QString& text, const QString& details, const QString& caption,
              Icon icon) override {
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
    if (!details.isEmpty()) box.setDetailedText(details);
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
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog's own question stays on: it asks before a chosen existing file is replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilters(SavePictureFilters());
    if (!start.isEmpty()) dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    return SaveChoice{chosen, int(SavePictureFilters().indexOf(dialog.selectedNameFilter())) + 1,
                      QFileInfo::exists(chosen)};
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
