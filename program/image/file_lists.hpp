// The folder functions of the image layer (the extension list is picture_formats.hpp's). Paths use "/"; extension
// tests ignore case, file names are compared exactly.
#pragma once

#include <QString>
#include <QStringList>

namespace ondrel {

// Appends folder + name for every file of the folder whose lower-cased extension equals
// `extension` (with its dot), special files (FIFOs, devices, sockets) left out; with recurse,
// descends into real subfolders first met, never through a symbolic link and not into hidden
// folders. `folder` ends in "/".
void ListFilesByExtension(const QString& folder, const QString& extension, bool recurse,
                          QStringList& list);

// Creates every missing folder of each "/"-terminated prefix; a last component without a
// trailing "/" is not created. False at the first folder that cannot be created.
bool CreateFolderPath(const QString& path);

// The path with one trailing "/" (an empty path stays empty).
QString WithTrailingBackslash(const QString& path);

// The lower-cased extension with its dot ("" without one), of the file name part only.
QString LowerExtension(const QString& fileName);

}  // namespace ondrel
