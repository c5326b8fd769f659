#include "program_paths.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace ondrel {

namespace {

QString HomeSubfolder(const char* variable, const char* underHome) {
  const QString set = qEnvironmentVariable(variable);
  // The XDG rule: a relative path in the variable is invalid and ignored.
  if (!set.isEmpty() && QDir::isAbsolutePath(set)) return QDir::cleanPath(set);
  return QDir::cleanPath(QDir::homePath() + '/' + underHome);
}

}  // namespace

bool IsFolderWritable(const QString& folder) {
  return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString SettingsFilePath(const QString& programFolder, const FolderWritableCheck& isWritable) {
  const QString beside = programFolder + "ondrel.ini";
  if (QFileInfo::exists(beside) || isWritable(programFolder)) return beside;
  return UserConfigHome() + "/ondrel/ondrel.ini";
}

QString UserConfigHome() { return HomeSubfolder("XDG_CONFIG_HOME", ".config"); }
QString UserDataHome() { return HomeSubfolder("XDG_DATA_HOME", ".local/share"); }

QStringList LanguageFileNames(const QString& programFolder) {
  QStringList names;
  for (const QString& folder : DataFolders(programFolder)) {
    const auto found = QDir(folder).entryList({"*.lng"}, QDir::Files | QDir::Hidden | QDir::System,
                                              QDir::Unsorted);
    for (const QString& name : found)
      if (!names.contains(name)) names << name;
  }
  return names;
}

}  // namespace ondrel
