// Ondrel's start: decide first or second instance before any window exists, then create the
// eight windows and show the main window, whose first showing loads the settings and the
// language, opens the command-line file and starts the hand-off listener.
#include <QApplication>
#include <QString>

#include "create_windows.hpp"
#include "dialog_launch.hpp"
#include "ondrel_shell.hpp"
#include "start_up.hpp"
#include "viewer_window.hpp"

int main(int argc, char** argv) {
  auto start = ondrel::DecideStart(argc, argv);
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
  ondrel::ConnectDialogLaunchers(windows);
  windows.ondrelForm->show();
  return app.exec();
}
