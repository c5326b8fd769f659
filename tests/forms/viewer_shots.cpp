// Draws the viewer at work into PNG files, for people to look at:
//   ondrel_viewer_shots <folder> [<texture.blp> <picture.tga>]
// by default the sample texture beside the tool and a TGA fixture. Both are copied into a
// user's-looking textures folder first, which is the path the pictures show.
// Run it under a virtual X server (xvfb-run) or headless (QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QTimer>
#include <QPixmap>

#include <cstdio>

#include "create_windows.hpp"
#include "image_view_widget.hpp"
#include "language_loader.hpp"
#include "shot_home.hpp"
#include "viewer_window.hpp"

using namespace ondrel;

namespace {

// Lets layouts settle and any Lanczos render on a worker thread arrive.
void Settle(const ImageView& view) {
  QElapsedTimer timer;
  timer.start();
  do QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  while ((view.renderPending() || !view.marginRendered()) && timer.elapsed() < 5000);
  QCoreApplication::processEvents();
}

bool Save(TOndrelForm& window, const QString& path) {
  Settle(*window.ui.sb1);
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "failed", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: ondrel_viewer_shots <folder> [<texture.blp> <picture.tga>]\n");
    return 2;
  }
  const ondrel_test::ShotHome home(ONDREL_SOURCE_DIR "/desktop/ondrel-blp.xml");
  QApplication app(argc, argv);
  const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + "/";
  const QString textureSource = argc == 4 ? QString::fromLocal8Bit(argv[2])
                                          : QCoreApplication::applicationDirPath() + "/sample.blp";
  const QString pictureSource = argc == 4 ? QString::fromLocal8Bit(argv[3])
                                          : ONDREL_SOURCE_DIR "/tests/fixtures/tga/im_type2_32.tga";
  const QString texture = home.textures() + QFileInfo(textureSource).fileName();
  // The fixture's own name says how it was made; in a user's folder it is a swatch.
  const QString picture = home.textures() + (argc == 4 ? QFileInfo(pictureSource).fileName() : "swatch.tga");
  if (!QFile::copy(textureSource, texture) || !QFile::copy(pictureSource, picture)) {
    std::fprintf(stderr, "cannot copy %s and %s\n", qPrintable(textureSource), qPrintable(pictureSource));
    return 1;
  }
  const OndrelWindows windows = CreateWindows();
  QComboBox& languages = *windows.settingsForm->ui.boxLanguage;
  languages.addItem("English.lng");
  languages.setCurrentIndex(0);
  LoadLanguage(windows, ONDREL_SOURCE_DIR "/lang/", false);
  OndrelSettings settings;  // the defaults: Lanczos, window fitted to the picture
  ViewerWindow viewer(windows, settings);
  TOndrelForm& main = *windows.ondrelForm;
  main.show();
  main.ui.mnuImageInfo->setChecked(true);

  bool ok = viewer.openImage(texture, true);
  ok &= Save(main, folder + "viewer-blp-panel.png");
  main.resize(900, 640);
  main.ui.mnuShowTrans->trigger();
  main.ui.boxZoom->setEditText("400");
  viewer.applyZoomText();
  ok &= Save(main, folder + "viewer-400-checkerboard.png");
  main.ui.mnuShowAlpha->trigger();
  main.ui.boxZoom->setEditText("100");
  viewer.applyZoomText();
  ok &= Save(main, folder + "viewer-alpha.png");
  ok &= viewer.openImage(picture, true);
  // Small test pictures are shown large enough to see.
  main.ui.boxZoom->setEditText("1600");
  viewer.applyZoomText();
  ok &= Save(main, folder + "viewer-tga-panel.png");

  // The open dialog in the texture's folder, its preview showing the texture.
  ok &= viewer.openImage(texture, true);
  QTimer::singleShot(500, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      ok = false;
      return;
    }
    dialog->resize(900, 460);
    // The folder's list fills in the background; the file is chosen once it is there, and the
    // columns are made wide enough for their texts.
    QTimer::singleShot(700, [&, dialog] {
      auto* list = dialog->findChild<QTreeView*>();
      auto* files = dialog->findChild<QFileSystemModel*>();
      if (!list || !files) return;
      list->header()->resizeSections(QHeaderView::ResizeToContents);
      // Chosen in the list as a click would: the name field follows only while it has no focus.
      list->setFocus();
      list->setCurrentIndex(files->index(texture));
    });
    QTimer::singleShot(1400, [&, dialog] {
      const QString path = folder + "viewer-open-dialog.png";
      const bool saved = dialog->grab().save(path);
      std::printf("%s %s\n", saved ? "wrote" : "failed", qPrintable(path));
      ok &= saved;
      dialog->reject();
    });
  });
  viewer.open();
  return ok ? 0 : 1;
}
