#include "language_choice.hpp"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>

namespace ondrel {

QStringList LanguageFolders(const QString& programFolder) {
  QString shared = QDir::cleanPath(programFolder + "../share/ondrel");
  return {programFolder, shared + "/"};
}

QString LanguageFilePath(const QString& programFolder, const QString& fileName) {
  for (const QString& folder : LanguageFolders(programFolder))
    if (QFileInfo(folder + fileName).isFile()) return folder + fileName;
  return programFolder + fileName;
}

QStringList ListLanguageFiles(const QString& programFolder) {
  QStringList names;
  for (const QString& folder : LanguageFolders(programFolder)) {
    const QStringList found = QDir(folder).entryList({"*.lng"}, QDir::Files | QDir::Hidden | QDir::System,
                                                     QDir::Unsorted);
    for (const QString& name : found)
      if (!names.contains(name)) names.append(name);
  }
  return names;
}

void SelectLanguage(QComboBox& list, const QString& configured) {
  int index = configured.isEmpty() ? -1 : list.findText(configured, Qt::MatchFixedString);
  if (index < 0) index = list.findText("English.lng", Qt::MatchFixedString);
  list.setCurrentIndex(index);
}

}  // namespace ondrel
