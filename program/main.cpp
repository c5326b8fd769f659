// Ondrel's start: answer --help or --version, or decide first or second instance before any
// window exists, then create the eight windows and show the main window, whose first showing
// loads the settings and the language, opens the command-line file and starts the hand-off
// listener.
#include <QApplication>
#include <QString>

#include <cstdio>

#include "create_windows.hpp"
#include "file_size_signal.hpp"
#include "install_dialogs.hpp"
#include "language_loader.hpp"
#include "ondrel_shell.hpp"
#include "start_up.hpp"
#include "viewer_window.hpp"

int main(int argc, char** argv) {
  ondrel::IgnoreFileSizeSignal();
  auto start = ondrel::DecideStart(argc, argv);
  if (!start.output.isEmpty())
    std::fwrite(start.output.constData(), 1, start.output.size(), stdout);
  if (!start.notice.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(start.notice));
  if (!start.runApplication) return start.exitCode;

  QApplication app(argc, argv);
  QApplication::setApplicationName("Ondrel");
  const ondrel::OndrelWindows windows = ondrel::CreateWindows();
  // Declared after the windows, so it (and its listener) goes before them.
  ondrel::OndrelShell shell(windows, ondrel::SettingsPlace::ForThisProgram(),
                            start.instance ? &*start.instance : nullptr,
                            argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
  ondrel::ViewerWindow viewer(windows, shell.settings());
  shell.openImage = [&viewer](const QString& path) { viewer.openImage(path, true); };
  ondrel::dialogs::DialogServices services;
  services.place = shell.place();
  services.settings = &shell.settings();
  services.openCaption = [&windows] { return windows.ondrelForm->ui.mnuOpen->text(); };
  services.currentImage = [&viewer]() -> std::optional<std::pair<ondrel::TBitmap, bool>> {
    if (viewer.currentFile().isEmpty()) return std::nullopt;
    return std::pair{viewer.source(), viewer.hasAlpha()};
  };
  services.currentFile = [&viewer] { return viewer.currentFile(); };
  services.reloadViewer = [&viewer] { viewer.openImage(viewer.currentFile(), false); };
  services.reloadLanguage = [&windows, &shell, &viewer] {
    ondrel::LoadLanguage(windows, shell.place().programFolder, true, [&viewer] { return viewer.reopenImage(); });
  };
  const auto dialogs = ondrel::dialogs::InstallDialogs(windows, std::move(services));
  windows.ondrelForm->show();
  return app.exec();
}
