// The images of the browsed folder and the stepping through them: the list in extension
// order, the 1-based number of the current file, previous and next with wrap-around over
// files deleted since the scan, and the file-number entry.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ondrel {

class FolderNavigator {
 public:
  // Whether a listed file still exists; the file system unless a test says otherwise.
  using ExistsFunction = std::function<bool(const QString& path)>;

  explicit FolderNavigator(ExistsFunction exists = {});

  // The folder's images (subfolders excluded), grouped by extension in the program's order.
  static QStringList ScanFolder(const QString& folder);

  // Takes the scan of an open with rescan: the folder (any form, stored with a trailing "/"),
  // its files and the 1-based position of the opened file (0 when absent).
  void adoptScan(const QString& folder, const QStringList& files, int position);

  enum class BrowseResult { Unchanged, Empty, OpenFirst };
  // Makes `folder` the browsed folder, scanned, with file number 1; Unchanged (nothing done)
  // when it is the current folder already. With OpenFirst the caller opens currentFile().
  BrowseResult browse(const QString& folder);

  // The next or previous file that still exists, wrapping around; it becomes the current
  // file. Nothing when the list is empty or no other file exists.
  std::optional<QString> stepNext() { return step(+1); }
  std::optional<QString> stepPrevious() { return step(-1); }

  // The file-number entry ("n", or "n/count" as the field shows it): a number in 1..count
  // becomes the file number; the entry at the
  // file number is returned to open. Nothing for text that is not a number, an empty list,
  // or a file number outside the list.
  std::optional<QString> enterFileNumber(const QString& text);

  // "number/count" for edFileNum.
  QString numberText() const;

  const QString& folder() const { return folder_; }
  const QStringList& files() const { return files_; }
  int fileNumber() const { return fileNumber_; }
  int fileCount() const { return int(files_.size()); }
  QString currentFile() const;

 private:
  std::optional<QString> step(int direction);

  ExistsFunction exists_;
  QString folder_;
  QStringList files_;
  int fileNumber_ = 0;
};

}  // namespace ondrel
