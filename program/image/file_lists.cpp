#include "file_lists.hpp"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace ondrel {

QString LowerExtension(const QString& fileName) {
  const int slash = int(fileName.lastIndexOf('/'));
  const int dot = int(fileName.lastIndexOf('.'));
  if (dot <= slash) return {};
  return fileName.mid(dot).toLower();
}

void ListFilesByExtension(const QString& folder, const QString& extension, bool recurse,
                          QStringList& list) {
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    const QString name = info.fileName();
    if (info.isDir()) {
      if (recurse && !info.isSymLink() && !name.startsWith('.'))
        ListFilesByExtension(folder + name + '/', extension, true, list);
      continue;
    }
    // A FIFO, device or socket is no image, and opening one could wait for good; a symbolic
    // link stays listed (its reader checks what it leads to).
    if (!info.isFile() && !info.isSymLink()) continue;
    if (LowerExtension(name) == extension) list.append(folder + name);
  }
}

bool CreateFolderPath(const QString& path) {
  for (int end = int(path.indexOf('/', 1)); end >= 0; end = int(path.indexOf('/', end + 1))) {
    const QString prefix = path.left(end + 1);
    QFileInfo info(prefix);
    if (info.isDir()) continue;
    if (!QDir().mkdir(prefix)) return false;
  }
  return true;
}

QString WithTrailingBackslash(const QString& path) {
  if (path.isEmpty() || path.endsWith('/')) return path;
  return path + '/';
}

}  // namespace ondrel
