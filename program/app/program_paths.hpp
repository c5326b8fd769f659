// Where the program keeps its settings. The program folder (ProgramFolder) holds "ondrel.ini"
// in a portable layout; an installed program, whose folder the user cannot write, keeps it in
// the user's configuration folder instead. Data files: FindDataFile (program_folder.hpp).
#pragma once

#include "program_folder.hpp"

#include <QString>
#include <QStringList>

#include <functional>

namespace ondrel {

// Answers whether the program may create files in a folder. Injectable, so the fallback can be
// tested by a user (root) whom permissions do not stop.
using FolderWritableCheck = std::function<bool(const QString& folder)>;
bool IsFolderWritable(const QString& folder);

// "ondrel.ini" in the program folder when it already holds one or is writable; otherwise
// UserConfigHome() + "/ondrel/ondrel.ini".
QString SettingsFilePath(const QString& programFolder,
                         const FolderWritableCheck& isWritable = IsFolderWritable);

// $XDG_CONFIG_HOME, or $HOME/.config when unset, empty or relative; no trailing "/".
QString UserConfigHome();
// $XDG_DATA_HOME, or $HOME/.local/share likewise; no trailing "/".
QString UserDataHome();

// The "*.lng" file names (with extension, without folder) in the data folders, the program
// folder's first, each name once, in the order the file system returns them.
QStringList LanguageFileNames(const QString& programFolder);

}  // namespace ondrel
