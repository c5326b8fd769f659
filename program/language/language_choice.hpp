// Where language files are found, and which one is chosen.
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

namespace ondrel {

// The folders that hold language files: the program folder, then "../share/ondrel/" beside it
// (an installed layout). Each ends in "/".
QStringList LanguageFolders(const QString& programFolder);

// The path of a language file: the first of the folders that holds it, else the program folder's
// (which then reads as an empty file).
QString LanguageFilePath(const QString& programFolder, const QString& fileName);

// The ".lng" file names of those folders, each once, in the order the folders list them.
QStringList ListLanguageFiles(const QString& programFolder);

// Selects the entry equal to `configured` (case ignored). When there is none, "English.lng" is
// selected if listed, so that a first start never shows a window without texts; else nothing.
void SelectLanguage(QComboBox& list, const QString& configured);

}  // namespace ondrel
