// The mass converter without its window: the input checks in their order, the file list by
// source format, and the target name of each file.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace ondrel::dialogs {

// The converter's fields. Source formats in the order of their boxes: BMP, TGA, BLP, JPG,
// PNG, DDS. Destination format index: BMP, TGA, BLP1, BLP2, JPG, PNG, DDS.
struct ConverterRequest {
  std::array<bool, 6> sourceFormats{};
  QString sourceFolder, destFolder;
  bool subfolders = false;
  bool folderStruct = false;
  int destFormat = 0;
};

// What the input checks found. A message is an index into MESSAGES, shown as an information box.
struct ConverterInputCheck {
  int message = -1;                // >= 0: show it and stop
  bool destinationMissing = false; // ask MESSAGES[11] before going on
};

// Steps 1 and 2 of a run, in their order, and whether the destination must be created.
ConverterInputCheck CheckConverterInput(const ConverterRequest& request);

// Creates the destination folder with every missing level.
bool CreateDestinationFolder(const QString& destFolder);

// The source extensions of the checked formats, in search order (".jpg" before ".jpeg").
QStringList SourceExtensions(const std::array<bool, 6>& sourceFormats);

// Every file of those extensions, grouped by extension, without the destination folder's
// files when it lies below the source folder. Folders end in "/".
QStringList ConverterFileList(const ConverterRequest& request);

// ".bmp", ".tga", ".blp", ".blp", ".jpg", ".png", ".dds".
QString DestinationExtension(int destFormat);

// The destination folder plus the file's path below the source folder (folderStruct) or its
// name alone, with the destination extension in place of the file's own. Folders end in "/".
QString ConverterTargetName(const QString& file, const QString& sourceFolder,
                            const QString& destFolder, bool folderStruct, int destFormat);

}  // namespace ondrel::dialogs
