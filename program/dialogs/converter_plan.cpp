#include "converter_plan.hpp"

#include "conversion_plan.hpp"
#include "file_lists.hpp"
#include "target_format.hpp"

#include <QFileInfo>

namespace ondrel::dialogs {

ConverterInputCheck CheckConverterInput(const ConverterRequest& request) {
  ConverterInputCheck check;
  bool anyFormat = false;
  for (bool on : request.sourceFormats) anyFormat = anyFormat || on;
  if (!anyFormat) check.message = 1;
  else if (request.sourceFolder.isEmpty()) check.message = 2;
  else if (request.destFolder.isEmpty()) check.message = 3;
  else if (!QFileInfo(request.sourceFolder).isDir()) check.message = 10;
  else check.destinationMissing = !QFileInfo(request.destFolder).isDir();
  return check;
}

bool CreateDestinationFolder(const QString& destFolder) {
  return CreateFolderPath(WithTrailingBackslash(destFolder)) && QFileInfo(destFolder).isDir();
}

QStringList SourceExtensions(const std::array<bool, 6>& sourceFormats) {
  static const QStringList kByFormat[] = {{".bmp"}, {".tga"}, {".blp"}, {".jpg", ".jpeg"}, {".png"}, {".dds"}};
  QStringList extensions;
  for (std::size_t i = 0; i < sourceFormats.size(); ++i)
    if (sourceFormats[i]) extensions += kByFormat[i];
  return extensions;
}

QStringList ConverterFileList(const ConverterRequest& request) {
  // The destination's own files are no input when it lies inside the source tree.
  QStringList files;
  for (const batch::SourceFile& file : batch::WithoutOutputFolder(
           batch::ListSourceFiles(WithTrailingBackslash(request.sourceFolder), SourceExtensions(request.sourceFormats),
                                  request.subfolders),
           request.destFolder))
    files << file.path;
  return files;
}

QString DestinationExtension(int destFormat) {
  if (destFormat < 0 || destFormat > 6) return {};
  return batch::TargetExtension(batch::TargetFormat(destFormat));  // the same order
}

QString ConverterTargetName(const QString& file, const QString& sourceFolder,
                            const QString& destFolder, bool folderStruct, int destFormat) {
  // The relative path is kept whole: a cut path would write somewhere else.
  return batch::TargetName({file, sourceFolder}, destFolder, folderStruct, batch::TargetFormat(destFormat));
}

}  // namespace ondrel::dialogs
