// Draws each window of the program in English into PNG files, for people to look at:
//   ondrel_window_shots <folder>
// Run it headless (QT_QPA_PLATFORM=offscreen) or under a virtual X server.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTabWidget>

#include <cstdio>

#include "create_windows.hpp"
#include "language_loader.hpp"

using namespace ondrel;

namespace {

bool Save(QWidget& window, const QString& path) {
  window.show();
  QCoreApplication::processEvents();
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "failed", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: ondrel_window_shots <folder>\n");
    return 2;
  }
  const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + "/";
  const OndrelWindows windows = CreateWindows();
  QComboBox& languages = *windows.settingsForm->ui.boxLanguage;
  languages.addItem("English.lng");
  languages.setCurrentIndex(0);
  LoadLanguage(windows, ONDREL_SOURCE_DIR "/lang/", false);
  // The save options as the converter opens them, with their tabs.
  windows.optionsForm->setWindowTitle(LanguageTexts().Title0);

  bool ok = true;
  windows.ondrelForm->ui.mnuImageInfo->setChecked(true);
  ok &= Save(*windows.ondrelForm, folder + "main-window.png");
  Ui::TOndrelForm& main = windows.ondrelForm->ui;
  for (QMenu* menu : {main.mnuFile, main.mnuView, main.mnuTools, main.mnuHelp}) {
    menu->popup(windows.ondrelForm->mapToGlobal(QPoint(0, 0)));
    ok &= Save(*menu, folder + "menu-" + menu->objectName().mid(3).toLower() + ".png");
    menu->hide();
  }
  QTabWidget& pages = *windows.optionsForm->ui.PageControl1;
  for (int page = 0; page < pages.count(); ++page) {
    pages.setCurrentIndex(page);
    const QString tag = pages.tabText(page).remove(' ').toLower();
    ok &= Save(*windows.optionsForm, folder + "save-options-" + tag + ".png");
  }
  const std::pair<QWidget*, const char*> dialogs[] = {
      {windows.convertForm, "mass-converter"}, {windows.aboutForm, "about"},
      {windows.alphaChanForm, "alpha-channel"}, {windows.settingsForm, "settings"},
      {windows.commentForm, "comment"},        {windows.optimizeForm, "mass-optimizer"},
  };
  for (const auto& [window, name] : dialogs) ok &= Save(*window, folder + name + ".png");
  return ok ? 0 : 1;
}
