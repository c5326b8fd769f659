#include "convert_file.hpp"

#include <QDir>
#include <QFileInfo>

#include <vector>

#include "conversion_plan.hpp"

namespace ondrel::batch {
namespace {

bool IsPowerOfTwo(int side) { return side > 0 && (side & (side - 1)) == 0; }

// Makes the missing folders of the target's path; remembers them so a failure can take
// them away again. Another worker may make the same folder at the same time: that is fine.
class MadeFolders {
 public:
  explicit MadeFolders(const QString& target) {
    QString folder = QFileInfo(target).absolutePath();
    std::vector<QString> missing;
    while (!QFileInfo(folder).exists()) {
      missing.push_back(folder);
      const QString parent = QFileInfo(folder).absolutePath();
      if (parent == folder) break;
      folder = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (QDir().mkdir(*it))
        made_.push_back(*it);
      else if (!QFileInfo(*it).isDir())
        throw BatchError(("cannot make the folder " + *it).toStdString());
    }
  }
  // Removes the folders made here, deepest first, as long as they are empty.
  void undo() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) QDir().rmdir(*it);
  }

 private:
  std::vector<QString> made_;
};

}  // namespace

ConversionNotes ConvertFile(const QString& source, const QString& target,
                            const ConversionSettings& settings) {
  // Asked again here: a link may have been made since the plan.
  if (TargetIsSource(source, target)) throw BatchError(TargetIsSourceRefusal().toStdString());
  LoadedPicture loaded = LoadPicture(source, settings.mipmapIndex);
  const bool hasAlpha = ApplyAlpha(loaded.bitmap, settings.alpha);

  ConversionNotes notes;
  if (settings.format == TargetFormat::Blp1) {
    const int w = loaded.bitmap.width(), h = loaded.bitmap.height();
    if (!IsPowerOfTwo(w)) notes.warnings << QString("the width %1 is not a power of two").arg(w);
    if (!IsPowerOfTwo(h)) notes.warnings << QString("the height %1 is not a power of two").arg(h);
  }

  MadeFolders folders(target);
  try {
    SavePicture(target, loaded.bitmap, settings.format, settings.options, hasAlpha);
  } catch (...) {
    folders.undo();
    throw;
  }
  return notes;
}

}  // namespace ondrel::batch
