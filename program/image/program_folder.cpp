#include "program_folder.hpp"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace ondrel {

QString ProgramFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return QStringLiteral("./");
  return QString::fromStdString(exe.parent_path().string()) + '/';
}

QStringList DataFolders(const QString& programFolder) {
  return {programFolder, QDir::cleanPath(programFolder + "../share/ondrel") + '/'};
}

QString FindDataFile(const QString& programFolder, const QString& name) {
  for (const QString& folder : DataFolders(programFolder)) {
    const QString path = folder + name;
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

}  // namespace ondrel
