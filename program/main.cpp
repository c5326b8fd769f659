// Ondrel's start: the eight windows, the language, and the main window shown.
#include <QApplication>
#include <QString>

#include "create_windows.hpp"
#include "language_choice.hpp"
#include "language_loader.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Ondrel");
  const ondrel::OndrelWindows windows = ondrel::CreateWindows();

  // Until the settings store fills the language list, it lists the files beside the program.
  const QString programFolder = QCoreApplication::applicationDirPath() + "/";
  QComboBox& languages = *windows.settingsForm->ui.boxLanguage;
  languages.addItems(ondrel::ListLanguageFiles(programFolder));
  ondrel::SelectLanguage(languages, QString());
  ondrel::LoadLanguage(windows, programFolder, false);

  windows.ondrelForm->show();
  return app.exec();
}
