#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "commands.hpp"

namespace ondrel::cli {

std::vector<batch::SourceFile> CollectSources(const QStringList& inputs, const QStringList& extensions,
                                              bool recursive) {
  std::vector<batch::SourceFile> all;
  for (const QString& input : inputs) {
    if (QFileInfo(input).isDir()) {
      QString folder = input;
      while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
      for (batch::SourceFile& f : batch::ListSourceFiles(folder, extensions, recursive)) all.push_back(std::move(f));
    } else {
      all.push_back(batch::SingleSourceFile(input));
    }
  }
  QSet<QString> seen;
  std::vector<batch::SourceFile> unique;
  for (batch::SourceFile& f : all) {
    const QString key = QDir::cleanPath(QFileInfo(f.path).absoluteFilePath());
    if (seen.contains(key)) continue;
    seen.insert(key);
    unique.push_back(std::move(f));
  }
  return unique;
}

}  // namespace ondrel::cli
