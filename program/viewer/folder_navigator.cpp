#include "folder_navigator.hpp"

#include <QFileInfo>

#include "file_lists.hpp"
#include "picture_formats.hpp"

namespace ondrel {

FolderNavigator::FolderNavigator(ExistsFunction exists) : exists_(std::move(exists)) {
  if (!exists_) exists_ = [](const QString& path) { return QFileInfo(path).isFile(); };
}

QStringList FolderNavigator::ScanFolder(const QString& folder) {
  QStringList files;
  for (const QString& extension : ImageExtensions())
    ListFilesByExtension(WithTrailingBackslash(folder), extension, false, files);
  return files;
}

void FolderNavigator::adoptScan(const QString& folder, const QStringList& files, int position) {
  folder_ = WithTrailingBackslash(folder);
  files_ = files;
  fileNumber_ = position;
}

FolderNavigator::BrowseResult FolderNavigator::browse(const QString& folder) {
  const QString withSlash = WithTrailingBackslash(folder);
  if (withSlash == folder_) return BrowseResult::Unchanged;
  adoptScan(withSlash, ScanFolder(withSlash), 1);
  return files_.isEmpty() ? BrowseResult::Empty : BrowseResult::OpenFirst;
}

std::optional<QString> FolderNavigator::step(int direction) {
  const int count = fileCount();
  if (count == 0) return std::nullopt;
  const int start = fileNumber_;
  int number = fileNumber_;
  for (int tries = 0; tries < count; ++tries) {
    number += direction;
    if (number > count) number = 1;
    if (number < 1) number = count;
    // Back at the file on screen: every other file is gone, so there is nothing to open.
    if (number == start) break;
    if (exists_(files_[number - 1])) {
      fileNumber_ = number;
      return files_[number - 1];
    }
  }
  return std::nullopt;
}

std::optional<QString> FolderNavigator::enterFileNumber(const QString& text) {
  bool ok = false;
  // The field shows "number/count"; a user who edits only the number leaves the rest.
  const int number = text.section('/', 0, 0).trimmed().toInt(&ok);
  if (!ok || files_.isEmpty()) return std::nullopt;
  if (number >= 1 && number <= fileCount()) fileNumber_ = number;
  if (fileNumber_ < 1 || fileNumber_ > fileCount()) return std::nullopt;
  return files_[fileNumber_ - 1];
}

QString FolderNavigator::numberText() const {
  return QString("%1/%2").arg(fileNumber_).arg(fileCount());
}

QString FolderNavigator::currentFile() const {
  return fileNumber_ >= 1 && fileNumber_ <= fileCount() ? files_[fileNumber_ - 1] : QString();
}

}  // namespace ondrel
