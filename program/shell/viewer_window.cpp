#include "viewer_window.hpp"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <new>

#include "ImgUtils.hpp"
#include "UnitBLPImageUtils.hpp"
#include "blp1_files.hpp"
#include "file_read.hpp"
#include "image_errors.hpp"
#include "image_view_widget.hpp"
#include "info_panel.hpp"
#include "info_panel_show.hpp"
#include "language_texts.hpp"
#include "load_failure_text.hpp"
#include "message_format.hpp"
#include "picture_dialogs.hpp"
#include "pixel_readout.hpp"
#include "save_optimised_names.hpp"
#include "view_layout.hpp"
#include "viewer_keys.hpp"
#include "zoom_rules.hpp"

namespace ondrel {
namespace {

QStringList Captions() {
  const auto& captions = LanguageTexts().CAPTIONS;
  return QStringList(captions.begin(), captions.end());
}

QString Message(int index) { return LanguageTexts().MESSAGES[std::size_t(index)]; }
QString MessageType(int index) { return LanguageTexts().MSGTYPES[std::size_t(index)]; }

// The viewer shows 24- and 32-bit pictures only.
void MakeDisplayable(TBitmap& bitmap) {
  const PixelFormat format = bitmap.pixelFormat();
  if (format != PixelFormat::Bit24 && format != PixelFormat::Bit32) bitmap.setPixelFormat(PixelFormat::Bit24);
}

}  // namespace

ViewerWindow::ViewerWindow(const OndrelWindows& windows, const OndrelSettings& settings)
    : windows_(windows), form_(*windows.ondrelForm), settings_(settings) {
  showMessage = [this](QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, &form_);
    box.exec();
  };
  askReplace = [this](const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No, &form_);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  };
  form_.setAcceptDrops(true);
  form_.installEventFilter(this);
  // Key preview: the window's Ctrl commands come before any control sees the key.
  qApp->installEventFilter(this);

  // The pixel under the cursor sits between the size and the colour count.
  pixelLabel_ = new QLabel(form_.ui.p4);
  pixelLabel_->setObjectName(QStringLiteral("lblPixel"));
  pixelLabel_->setAlignment(Qt::AlignCenter);
  form_.ui.p4Layout->insertWidget(1, pixelLabel_, 1);

  // The form holds the zoom list; typed values never join it.
  form_.ui.boxZoom->setInsertPolicy(QComboBox::NoInsert);
  connectControls();
}

ViewerWindow::~ViewerWindow() { qApp->removeEventFilter(this); }

void ViewerWindow::connectControls() {
  auto& ui = form_.ui;
  connect(ui.mnuOpen, &QAction::triggered, this, &ViewerWindow::open);
  connect(ui.actFilePrev, &QAction::triggered, this, [this] { stepFile(-1); });
  connect(ui.actFileNext, &QAction::triggered, this, [this] { stepFile(+1); });
  connect(ui.actZoomIn, &QAction::triggered, this, &ViewerWindow::zoomIn);
  connect(ui.actZoomOut, &QAction::triggered, this, &ViewerWindow::zoomOut);
  connect(ui.mnuShowAlpha, &QAction::triggered, this, &ViewerWindow::showViewMode);
  connect(ui.mnuShowTrans, &QAction::triggered, this, &ViewerWindow::showViewMode);
  connect(ui.mnuSaveOpti, &QAction::triggered, this, [this] { saveOptimised(false); });
  connect(ui.mnuSaveOptiAs, &QAction::triggered, this, [this] { saveOptimised(true); });
  // The panel's own layout runs first; then the picture is centred in what is left.
  connect(ui.mnuImageInfo, &QAction::toggled, this,
          [this] { QTimer::singleShot(0, form_.ui.sb1, [this] { form_.ui.sb1->centre(); }); });

  connect(ui.boxZoom->lineEdit(), &QLineEdit::returnPressed, this, &ViewerWindow::applyZoomText);
  connect(ui.boxZoom, &QComboBox::activated, this, &ViewerWindow::applyZoomText);
  connect(ui.sb1, &ImageView::zoomApplied, this,
          [this](int zoom) { form_.ui.boxZoom->setEditText(ZoomText(zoom)); });
  connect(ui.sb1, &ImageView::pixelHovered, this,
          [this](const PixelReadout& pixel) { pixelLabel_->setText(PixelReadoutText(pixel)); });
  connect(ui.sb1, &ImageView::pixelLeft, pixelLabel_, &QLabel::clear);

  connect(ui.edFileNum, &QLineEdit::returnPressed, this, &ViewerWindow::enterFileNumber);
  connect(ui.edFileDir, &QLineEdit::returnPressed, this, [this] {
    const QString typed = form_.ui.edFileDir->text();
    if (!typed.isEmpty() && QFileInfo(typed).isDir()) browseFolder(typed);
  });
  connect(ui.edFileDirBrowse, &QToolButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(&form_, caption(3), navigator_.folder(),
                                                             QFileDialog::DontUseNativeDialog);
    if (!folder.isEmpty()) browseFolder(folder);
  });
  connect(ui.boxBLPMipmaps, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!selectingLine_) chooseMipmapLine(row);
  });
}

QString ViewerWindow::caption(int index) const { return LanguageTexts().CAPTIONS[std::size_t(index)]; }

bool ViewerWindow::openImage(const QString& path, bool rescanFolder) {
  currentFile_ = path;
  currentMipmap_ = 0;
  const QString shortName = QFileInfo(path).fileName();
  // The one load-error message, with the reason on a second line.
  auto reportLoadError = [&](const LoadFailure& why) {
    showMessage(QMessageBox::Information, MessageType(0), LoadErrorText(shortName, why, LanguageTexts()));
  };

  // Loaded aside, so a failing load leaves the picture on screen as it was.
  TBitmap loaded;
  OpenResult result;
  try {
    result = OpenImage(path, loaded, {.showInfo = true, .fillMipmapList = true, .rescanFolder = rescanFolder},
                       nullptr);
  } catch (const std::bad_alloc&) {
    result.failed = true;
    result.failure.kind = LoadFailure::Kind::Damaged;
    result.failure.detail = QStringLiteral("Not enough memory to open it.");
  }
  if (result.failed) {
    reportLoadError(result.failure);
    return false;
  }
  // A file no loader takes (an unknown extension, or contents its class does not read) gives no
  // picture: refused like a damaged one, rather than showing an empty view under its name.
  if (loaded.empty()) {
    reportLoadError(WhyNoPicture(path));
    return false;
  }
  MakeDisplayable(loaded);
  source_ = std::move(loaded);

  auto& ui = form_.ui;
  const bool blp1 = IsBlp1(result.facts);
  ui.mnuSaveAs->setEnabled(true);
  ui.mnuComments->setEnabled(blp1);
  ui.mnuSaveOpti->setEnabled(blp1);
  ui.mnuSaveOptiAs->setEnabled(blp1);

  if (const auto texts = BuildInfoPanel(result.facts, QSize(source_.width(), source_.height()), Captions())) {
    selectingLine_ = true;
    ShowInfoPanel(*ui.p1, *texts);
    selectingLine_ = false;
    mipmaps_ = texts->mipmaps;
  }
  if (QFileInfo(path).suffix().toLower() == QLatin1String("blp") && mipmaps_)
    selectMipmapLine(LineOfLevel(*mipmaps_, 0));
  else
    selectMipmapLine(-1);

  hasAlpha_ = source_.pixelFormat() == PixelFormat::Bit32;
  ui.sb1->setSource(source_);
  showSizeAndColours();

  ui.actZoomIn->setEnabled(true);
  ui.actZoomOut->setEnabled(true);
  ui.boxZoom->setEnabled(true);
  for (QAction* mode : {ui.mnuShowAlpha, ui.mnuShowTrans}) {
    mode->setChecked(false);
    mode->setEnabled(hasAlpha_);
  }
  ui.sb1->setAlphaView(AlphaView::Colours);
  ui.actFilePrev->setEnabled(true);
  ui.actFileNext->setEnabled(true);

  form_.setWindowTitle(shortName + QStringLiteral(" - Ondrel"));
  if (settings_.program.resizeWin && !form_.isMaximized()) fitWindowToImage();
  setZoom(kStartZoom);
  keepMinimumWidth();

  if (rescanFolder)
    navigator_.adoptScan(QFileInfo(path).absolutePath(), result.folderFiles, result.position);
  showFolder();
  return true;
}

bool ViewerWindow::reopenImage() {
  if (currentFile_.isEmpty() || source_.empty()) return false;
  const int zoom = form_.ui.sb1->zoom();
  if (!openImage(currentFile_, false)) return false;
  setZoom(zoom);
  return true;
}

void ViewerWindow::showSizeAndColours() {
  form_.ui.lblImageColors->setText(caption(2) + QString::number(CountColors(source_)));
  form_.ui.lblWidthHeight->setText(caption(0) + QString::number(source_.width()) + QStringLiteral(" | ") +
                                   caption(1) + QString::number(source_.height()));
}

void ViewerWindow::setZoom(int zoom) {
  ImageView& view = *form_.ui.sb1;
  view.setLanczos(settings_.program.lanczos);
  view.setZoom(zoom);
}

void ViewerWindow::zoomIn() {
  if (const auto zoom = ZoomInFrom(form_.ui.sb1->zoom())) setZoom(*zoom);
}

void ViewerWindow::zoomOut() {
  if (const auto zoom = ZoomOutFrom(form_.ui.sb1->zoom())) setZoom(*zoom);
}

void ViewerWindow::applyZoomText() {
  if (source_.empty()) return;
  if (const auto zoom = ZoomFromTypedText(form_.ui.boxZoom->currentText(), form_.ui.sb1->zoom()))
    setZoom(*zoom);
  else
    form_.ui.boxZoom->setEditText(ZoomText(form_.ui.sb1->zoom()));
}

void ViewerWindow::showViewMode() {
  // The action group keeps at most one of the two checked; the buttons share the actions.
  if (!hasAlpha_) return;
  ImageView& view = *form_.ui.sb1;
  view.setLanczos(settings_.program.lanczos);
  if (form_.ui.mnuShowAlpha->isChecked())
    view.setAlphaView(AlphaView::AlphaAsGrey);
  else if (form_.ui.mnuShowTrans->isChecked())
    view.setAlphaView(AlphaView::Checkerboard);
  else
    view.setAlphaView(AlphaView::Colours);
}

void ViewerWindow::keepMinimumWidth() {
  const auto& ui = form_.ui;
  const int tools = ui.boxZoom->mapTo(ui.p2, QPoint(ui.boxZoom->width(), 0)).x();
  const int status = ui.lblWidthHeight->sizeHint().width() + ui.lblImageColors->sizeHint().width() + 16;
  const int panel = ui.p1->isVisible() ? ui.p1->width() + ui.Splitter1->handleWidth() : 0;
  const int wanted = std::max(tools, status) + panel + 16;
  if (form_.minimumWidth() < wanted) form_.setMinimumWidth(wanted);
}

void ViewerWindow::fitWindowToImage() {
  // What surrounds the picture area stays; the area grows or shrinks to the picture plus its
  // margin, as far as the screen's work area allows.
  // New texts (a language just loaded, the panel's values) change what surrounds the picture:
  // measure it laid out as it will be shown.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  form_.layout()->activate();
  // The picture area without scroll bars: a picture that fits needs none.
  const QSize area = form_.ui.sb1->size() - QSize(2, 2) * form_.ui.sb1->frameWidth();
  const QScreen* screen = form_.screen() ? form_.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect work = screen->availableGeometry();
  const QRect frame = form_.frameGeometry();
  const QSize frameExtra = frame.size() - form_.size();
  const QSize needed(form_.width() - area.width() + source_.width() + 2 * kViewMargin,
                     form_.height() - area.height() + source_.height() + 2 * kViewMargin);

  QRect target(frame.topLeft(), needed.boundedTo(form_.maximumSize()).expandedTo(form_.minimumSize()) + frameExtra);
  if (target.width() > work.width()) {
    target.moveLeft(work.left());
    target.setWidth(work.width());
  } else if (target.right() > work.right()) {
    target.moveRight(work.right());
  }
  if (target.height() > work.height()) {
    target.moveTop(work.top());
    target.setHeight(work.height());
  } else if (target.bottom() > work.bottom()) {
    target.moveBottom(work.bottom());
  }
  form_.move(target.topLeft());
  form_.resize(target.size() - frameExtra);
}

void ViewerWindow::showFolder() {
  form_.ui.edFileDir->setText(QDir::toNativeSeparators(navigator_.folder()));
  form_.ui.edFileNum->setText(navigator_.numberText());
}

void ViewerWindow::open() {
  const QString start = currentFile_.isEmpty() ? navigator_.folder() : QFileInfo(currentFile_).absolutePath();
  const QString path = ChoosePictureToOpen(&form_, start);
  if (!path.isEmpty()) openImage(path, true);
}

void ViewerWindow::dropFiles(const QStringList& localPaths) {
  // Only the first of several dropped files is opened.
  if (!localPaths.isEmpty()) openImage(localPaths.first(), true);
}

void ViewerWindow::stepFile(int direction) {
  if (navigator_.fileCount() == 0) return;
  const auto next = direction > 0 ? navigator_.stepNext() : navigator_.stepPrevious();
  showFolder();
  if (next) openImage(*next, false);
}

void ViewerWindow::enterFileNumber() {
  const auto entry = navigator_.enterFileNumber(form_.ui.edFileNum->text());
  showFolder();
  if (entry) openImage(*entry, false);
}

void ViewerWindow::browseFolder(const QString& folder) {
  switch (navigator_.browse(folder)) {
    case FolderNavigator::BrowseResult::Unchanged:
      return;
    case FolderNavigator::BrowseResult::Empty:
      showFolder();
      form_.ui.actFilePrev->setEnabled(false);
      form_.ui.actFileNext->setEnabled(false);
      return;
    case FolderNavigator::BrowseResult::OpenFirst:
      showFolder();
      openImage(navigator_.currentFile(), false);
      return;
  }
}

void ViewerWindow::selectMipmapLine(int line) {
  selectingLine_ = true;
  if (line < 0) {
    form_.ui.boxBLPMipmaps->setCurrentRow(-1);
    form_.ui.boxBLPMipmaps->clearSelection();
  } else {
    form_.ui.boxBLPMipmaps->setCurrentRow(line);
  }
  selectingLine_ = false;
}

void ViewerWindow::chooseMipmapLine(int line) {
  if (!mipmaps_ || source_.empty()) return;
  const auto level = LevelForChosenLine(*mipmaps_, line, currentMipmap_);
  if (!level) return;
  currentMipmap_ = *level;
  TBitmap loaded;
  try {
    LoadBlpImage(currentFile_, loaded, std::uint8_t(*level));
  } catch (const ImageError&) {
    loaded.clear();
  } catch (const std::bad_alloc&) {
    loaded.clear();
  }
  if (loaded.empty()) {
    showMessage(QMessageBox::Critical, MessageType(0), Message(0));
    return;
  }
  MakeDisplayable(loaded);
  source_ = std::move(loaded);
  form_.ui.sb1->setSource(source_);
  showSizeAndColours();
}

void ViewerWindow::stepMipmap(int direction) {
  if (!mipmaps_ || source_.empty()) return;
  if (const auto level = AdjacentListedLevel(*mipmaps_, currentMipmap_, direction))
    form_.ui.boxBLPMipmaps->setCurrentRow(LineOfLevel(*mipmaps_, *level));
}

void ViewerWindow::saveOptimised(bool asNewFile) {
  if (currentFile_.isEmpty()) return;
  try {
    const std::uint8_t kind = ClassifyForOptimization(currentFile_);
    if (kind != 0 && kind != 1) return;
    QString target = currentFile_;
    if (asNewFile) {
      const QString chosen = ChooseOptimisedTarget(&form_, ProposedOptimisedName(currentFile_));
      if (chosen.isEmpty()) return;
      target = OptimisedTargetName(chosen);
      // The dialog asked about the name it was given; the ".blp" put in its place may name
      // another file that is already there.
      if (target != chosen && QFileInfo::exists(target) &&
          !askReplace(MessageType(2), FormatMessage(LanguageTexts().NAMED[std::size_t(NamedMessage::ReplaceFile)],
                                                    {QDir::toNativeSeparators(target)})))
        return;
    }
    // Only a complete, smaller file is written; otherwise nothing is, and the box says so.
    const std::int64_t saved =
        kind == 0 ? OptimizeJpegBlp(currentFile_, target) : ResavePalettedBlp(currentFile_, target);
    const QString source = QDir::toNativeSeparators(currentFile_);
    showMessage(QMessageBox::Information, MessageType(1),
                saved <= 0 ? FormatMessage(Message(14), {source})
                           : FormatMessage(Message(13), {QDir::toNativeSeparators(target), saved}));
    if (!asNewFile && saved > 0) openImage(currentFile_, true);
  } catch (const FileReadError& error) {
    // The file cannot even be read: the load error's words, and nothing was changed.
    showMessage(QMessageBox::Critical, MessageType(0),
                LoadErrorText(QFileInfo(currentFile_).fileName(), DescribeLoadError(error), LanguageTexts()));
  } catch (const ImageError& error) {
    // Reported, never taken for a success: the file on disk is as it was.
    showMessage(QMessageBox::Critical, MessageType(0), QString::fromUtf8(error.what()));
  } catch (const std::bad_alloc&) {
    showMessage(QMessageBox::Critical, MessageType(0),
                QFileInfo(currentFile_).fileName() + QStringLiteral(": ") + Message(9));
  }
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget || widget->window() != &form_) break;
      // A key press passes the filter once for each widget it is offered to: act on the first,
      // the focus widget when the window has one.
      if (QWidget* focus = QApplication::focusWidget(); focus && focus->window() == &form_ && widget != focus)
        break;
      const auto* key = static_cast<QKeyEvent*>(event);
      switch (CommandForKey(key->key(), key->modifiers())) {
        case ViewerCommand::None: break;
        case ViewerCommand::PreviousFile: stepFile(-1); return true;
        case ViewerCommand::NextFile: stepFile(+1); return true;
        case ViewerCommand::ZoomIn: if (!source_.empty()) zoomIn(); return true;
        case ViewerCommand::ZoomOut: if (!source_.empty()) zoomOut(); return true;
        case ViewerCommand::PreviousMipmap: stepMipmap(-1); return true;
        case ViewerCommand::NextMipmap: stepMipmap(+1); return true;
      }
      break;
    }
    case QEvent::DragEnter:
      if (watched == &form_) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        const auto urls = drag->mimeData()->urls();
        if (!urls.isEmpty() && urls.first().isLocalFile()) drag->acceptProposedAction();
        return true;
      }
      break;
    case QEvent::Drop:
      if (watched == &form_) {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls())
          if (url.isLocalFile()) paths << url.toLocalFile();
        drop->acceptProposedAction();
        dropFiles(paths);
        return true;
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ondrel
