#include "dialog_launch.hpp"

namespace ondrel {
namespace {

// Modal to the main window, without blocking the caller's event loop.
void OpenModal(QDialog* dialog) { dialog->open(); }

// The batch windows stay usable beside the viewer.
void ShowBeside(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void ConnectDialogLaunchers(const OndrelWindows& windows) {
  auto& ui = windows.ondrelForm->ui;
  // Save as: the save-options window in its saving mode, which saves the picture on screen.
  QObject::connect(ui.mnuSaveAs, &QAction::triggered, windows.optionsForm,
                   [dialog = windows.optionsForm] { OpenModal(dialog); });
  QObject::connect(ui.mnuComments, &QAction::triggered, windows.commentForm,
                   [dialog = windows.commentForm] { OpenModal(dialog); });
  QObject::connect(ui.mnuMassConverter, &QAction::triggered, windows.convertForm,
                   [window = windows.convertForm] { ShowBeside(window); });
  QObject::connect(ui.mnuMassOptimizer, &QAction::triggered, windows.optimizeForm,
                   [window = windows.optimizeForm] { ShowBeside(window); });
  QObject::connect(ui.mnuSettings, &QAction::triggered, windows.settingsForm,
                   [dialog = windows.settingsForm] { OpenModal(dialog); });
  QObject::connect(ui.mnuAbout, &QAction::triggered, windows.aboutForm,
                   [dialog = windows.aboutForm] { OpenModal(dialog); });
}

}  // namespace ondrel
