// The program folder and the data files found from it. The program folder (the executable's
// folder with a trailing "/") holds "jpeg.dat" and the language files in a portable layout;
// an installed program keeps them in ../share/ondrel/ beside the executable instead.
#pragma once

#include <QString>
#include <QStringList>

namespace ondrel {

// The executable's folder with a trailing "/".
QString ProgramFolder();

// The folders searched for data files, in order: the program folder, then ../share/ondrel/
// beside it. Each ends in "/".
QStringList DataFolders(const QString& programFolder);

// The first existing file of that name in DataFolders, or an empty string.
QString FindDataFile(const QString& programFolder, const QString& name);

}  // namespace ondrel
