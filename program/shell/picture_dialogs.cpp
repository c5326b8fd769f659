#include "picture_dialogs.hpp"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

#include <new>

#include "UnitBLPImageUtils.hpp"
#include "image_errors.hpp"

namespace ondrel {

QStringList PictureDialogFilters() {
  return {QStringLiteral("All (*.blp *.tga *.bmp *.jpg *.jpeg *.png *.dds)"),
          QStringLiteral("Blizzard Texture (*.blp)"),
          QStringLiteral("Truevision Targa (*.tga)"),
          QStringLiteral("Bitmap (*.bmp)"),
          QStringLiteral("JPEG Image (*.jpg *.jpeg)"),
          QStringLiteral("Portable Network Graphics (*.png)"),
          QStringLiteral("DirectDraw Surface (*.dds)")};
}

namespace {

constexpr int kPreviewSide = 160;

// A small picture of the file under the cursor; nothing for a file our loaders do not read.
QPixmap PreviewOf(const QString& path) {
  if (!QFileInfo(path).isFile()) return {};
  TBitmap bitmap;
  try {
    OpenImage(path, bitmap, OpenOptions{}, [](const QString&) {});
  } catch (const std::bad_alloc&) {
    return {};
  }
  if (bitmap.empty()) return {};
  return QPixmap::fromImage(bitmap.image().scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio,
                                                  Qt::SmoothTransformation));
}

}  // namespace

QString ChoosePictureToOpen(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QString(), folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(PictureDialogFilters());

  auto* preview = new QLabel(&dialog);
  preview->setObjectName(QStringLiteral("picturePreview"));
  preview->setFixedSize(kPreviewSide + 8, kPreviewSide + 8);
  preview->setAlignment(Qt::AlignCenter);
  preview->setFrameShape(QFrame::StyledPanel);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(preview, 1, grid->columnCount(), 2, 1, Qt::AlignTop);
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                   [preview](const QString& path) { preview->setPixmap(PreviewOf(path)); });

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString ChooseOptimisedTarget(QWidget* parent, const QString& proposedName) {
  QFileDialog dialog(parent, QString(), proposedName);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(PictureDialogFilters());
  dialog.selectFile(proposedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace ondrel
