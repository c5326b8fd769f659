#include "converter_plan.hpp"

#include "file_lists.hpp"

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
  QStringList files;
  const QString folder = WithTrailingBackslash(request.sourceFolder);
  for (const QString& extension : SourceExtensions(request.sourceFormats))
    ListFilesByExtension(folder, extension, request.subfolders, files);
  return files;
}

QString DestinationExtension(int destFormat) {
  static const char* const kExtensions[] = {".bmp", ".tga", ".blp", ".blp", ".jpg", ".png", ".dds"};
  if (destFormat < 0 || destFormat > 6) return {};
  return QString::fromLatin1(kExtensions[destFormat]);
}

QString ConverterTargetName(const QString& file, const QString& sourceFolder,
                            const QString& destFolder, bool folderStruct, int destFormat) {
  // The relative path is kept whole: a cut path would write somewhere else.
  QString part = folderStruct && file.startsWith(sourceFolder) ? file.mid(sourceFolder.size())
                                                               : QFileInfo(file).fileName();
  const qsizetype dot = part.lastIndexOf('.');
  if (dot > part.lastIndexOf('/')) part.truncate(dot);
  return destFolder + part + DestinationExtension(destFormat);
}

}  // namespace ondrel::dialogs
