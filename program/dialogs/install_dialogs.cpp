#include "install_dialogs.hpp"

#include <QAction>

#include "language_texts.hpp"

namespace ondrel::dialogs {

DialogTexts LanguageDialogTexts() {
  DialogTexts texts;
  const auto at = [](const auto& table, int index) {
    return index >= 0 && std::size_t(index) < table.size() ? table[std::size_t(index)] : QString();
  };
  texts.message = [at](int i) { return at(LanguageTexts().MESSAGES, i); };
  texts.msgType = [at](int i) { return at(LanguageTexts().MSGTYPES, i); };
  texts.caption = [at](int i) { return at(LanguageTexts().CAPTIONS, i); };
  texts.optionsTitle0 = [] { return LanguageTexts().Title0; };
  texts.optionsTitle1 = [] { return LanguageTexts().Title1; };
  texts.named = [](NamedMessage key) { return LanguageTexts().NAMED[std::size_t(key)]; };
  return texts;
}

std::unique_ptr<DialogControllers> InstallDialogs(const OndrelWindows& windows, DialogServices services) {
  services.texts = LanguageDialogTexts();
  DialogWindows dialogWindows;
  dialogWindows.main = windows.ondrelForm.get();
  dialogWindows.options = windows.optionsForm;
  dialogWindows.alpha = windows.alphaChanForm;
  dialogWindows.convert = windows.convertForm;
  dialogWindows.optimize = windows.optimizeForm;
  dialogWindows.comment = windows.commentForm;
  dialogWindows.settings = windows.settingsForm;
  dialogWindows.about = windows.aboutForm;
  auto controllers = std::make_unique<DialogControllers>(dialogWindows, std::move(services));

  QWidget* main = windows.ondrelForm.get();
  DialogControllers* open = controllers.get();
  const auto onMenu = [main](const char* name, auto action) {
    if (auto* item = FindControl<QAction>(main, name)) QObject::connect(item, &QAction::triggered, main, action);
  };
  onMenu("mnuSaveAs", [open] { open->openSaveAs(); });
  onMenu("mnuComments", [windows = windows.commentForm] { windows->exec(); });
  onMenu("mnuSettings", [windows = windows.settingsForm] { windows->exec(); });
  onMenu("mnuAbout", [windows = windows.aboutForm] { windows->exec(); });
  // The batch windows are not modal: the viewer stays usable beside them.
  for (const auto& entry : {std::pair{"mnuMassConverter", static_cast<QWidget*>(windows.convertForm)},
                             std::pair{"mnuMassOptimizer", static_cast<QWidget*>(windows.optimizeForm)}}) {
    QWidget* window = entry.second;  // a plain variable: clang 14 cannot capture a structured binding
    onMenu(entry.first, [window] {
      window->show();
      window->raise();
      window->activateWindow();
    });
  }
  return controllers;
}

}  // namespace ondrel::dialogs
