// The settings file "ondrel.ini": every value the program keeps between runs, read into and
// written from one plain struct, group by group. The windows show the struct's values through
// settings_controls.hpp; the program reads its flags, save options and alpha treatment from it.
#pragma once

#include "blp_association.hpp"
#include "file_format_options.hpp"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace ondrel {

// Section CONVERTER: the mass converter's fields.
struct ConverterSettings {
  QString sourceFolder;  // as shown: with a trailing "/", the program folder when missing
  QString destFolder;
  int destFormat = 2;  // "BMP", "TGA", "BLP1", "BLP2", "JPG", "PNG", "DDS"
  bool subfolders = true;
  bool folderStruct = true;
  int extensions = 63;  // BMP 1, TGA 2, JPG 4, BLP 8, PNG 16, DDS 32
};

// Section OPTIMIZER: the mass optimizer's fields.
struct OptimizerSettings {
  QString sourceFolder;
  bool subfolders = true;
};

// Section SETTINGS, with the settings window's state that the load derives.
struct ProgramSettings {
  bool runOneApp = true;
  QStringList languages;  // the "*.lng" files found, in the order found
  QString language;       // the selected entry of languages; empty when none
  bool useManifest = false;      // the manifest box
  bool manifestEnabled = false;  // a manifest file exists
  bool resizeWin = true;
  bool lanczos = true;
  bool associate = false;
};

struct OndrelSettings {
  ConverterSettings converter;
  OptimizerSettings optimizer;
  FileFormatOptions formatOptions = DesignedFileFormatOptions();
  std::uint8_t alphaTreatment = 0;  // section ALPHA, key AlphaOpt
  ProgramSettings program;
  bool showBlpInfo = false;  // SETTINGS/ShowBLPInfo: read and written whatever the groups
};

// The groups of LoadSettings and SaveSettings, in the order of their arguments.
struct SettingsGroups {
  bool converter = false;
  bool formatOptions = false;
  bool alpha = false;
  bool program = false;
  bool optimizer = false;
};
inline constexpr SettingsGroups kAllSettings{true, true, true, true, true};

// Where the settings and their side effects live.
struct SettingsPlace {
  QString programFolder;   // with a trailing "/"
  QString settingsFile;    // SettingsFilePath(programFolder)
  QString executablePath;  // for the association's command line
  XdgFolders xdg;
  static SettingsPlace ForThisProgram();
};

// Reads the chosen groups and ShowBLPInfo into settings. A missing file, section, key or a
// value that is not a number leaves the default; a missing save option takes the value its
// control is designed with. Also finds the language files, the manifest files and the current
// association (program group).
void LoadSettings(const SettingsPlace& place, OndrelSettings& settings, SettingsGroups groups);

// Writes the chosen groups and ShowBLPInfo, keeping every other line of the file. The program
// group also renames the manifest file and makes or removes the association; openCaption is
// the current caption of mnuOpen. Throws FileError when the file cannot be written.
void SaveSettings(const SettingsPlace& place, const OndrelSettings& settings, SettingsGroups groups,
                  const QString& openCaption);

// A folder as the windows show it: a trailing "/" added, the program folder when it does not
// exist (or is empty).
QString FolderForWindow(QString stored, const QString& programFolder);
// A folder as the file keeps it: a trailing "/" added unless empty.
QString FolderForFile(QString field);

// The first RunOneApp read of a start: the settings file's value, default 1.
bool ReadRunOneApp(const QString& settingsFile);

}  // namespace ondrel
