#include "settings_store.hpp"

#include "ini_file.hpp"
#include "program_paths.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace ondrel {

namespace {

// How many bytes of each block the file keeps, block n in section "FFO_n".
constexpr std::array<int, 6> kStoredBytes = {8, 8, 3, 7, 5, 2};

std::uint8_t* BlockBytes(FileFormatOptions& options, int block) {
  return reinterpret_cast<std::uint8_t*>(&options) + block * 8;
}
const std::uint8_t* BlockBytes(const FileFormatOptions& options, int block) {
  return reinterpret_cast<const std::uint8_t*>(&options) + block * 8;
}

QString BlockSection(int block) { return QStringLiteral("FFO_%1").arg(block); }

QString ManifestPath(const QString& programFolder, bool active) {
  return programFolder + (active ? "ondrel.exe.manifest" : "ondrel.manifest");
}

void LoadConverter(const IniFile& ini, const QString& programFolder, ConverterSettings& c) {
  const QString s = "CONVERTER";
  c.sourceFolder = FolderForWindow(ini.ReadString(s, "SourceFolder", {}), programFolder);
  c.destFolder = FolderForWindow(ini.ReadString(s, "DestFolder", {}), programFolder);
  c.destFormat = ini.ReadInteger(s, "DestFormat", 2);
  c.subfolders = ini.ReadBool(s, "Subfolders", true);
  c.folderStruct = ini.ReadBool(s, "FolderStruct", true);
  c.extensions = ini.ReadInteger(s, "Extensions", 63);
}

void LoadOptimizer(const IniFile& ini, const QString& programFolder, OptimizerSettings& o) {
  o.sourceFolder = FolderForWindow(ini.ReadString("OPTIMIZER", "SourceFolder", {}), programFolder);
  o.subfolders = ini.ReadBool("OPTIMIZER", "Subfolders", true);
}

void LoadFormatOptions(const IniFile& ini, FileFormatOptions& options) {
  // A missing byte takes its control's designed value, not 0: a fresh install must not save
  // quality-1 files with one-colour palettes.
  const FileFormatOptions designed = DesignedFileFormatOptions();
  for (int block = 0; block < 6; ++block)
    for (int k = 0; k < kStoredBytes[block]; ++k)
      BlockBytes(options, block)[k] = static_cast<std::uint8_t>(
          ini.ReadInteger(BlockSection(block), QString::number(k), BlockBytes(designed, block)[k]));
}

void LoadProgram(const IniFile& ini, const SettingsPlace& place, ProgramSettings& p) {
  const QString s = "SETTINGS";
  const bool active = QFileInfo::exists(ManifestPath(place.programFolder, true));
  p.useManifest = active && ini.ReadInteger(s, "UseManifest", 1) != 0;
  p.manifestEnabled = active || QFileInfo::exists(ManifestPath(place.programFolder, false));

  p.languages = LanguageFileNames(place.programFolder);
  const QString wanted = ini.ReadString(s, "Language", {});
  p.language.clear();
  for (const QString& name : p.languages)
    if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
      p.language = name;
      break;
    }
  // Nothing chosen yet, or the chosen file has gone: English rather than a window without text.
  if (p.language.isEmpty() && p.languages.contains("English.lng")) p.language = "English.lng";

  p.resizeWin = ini.ReadBool(s, "ResizeWin", true);
  p.runOneApp = ini.ReadBool(s, "RunOneApp", true);
  p.lanczos = ini.ReadBool(s, "Lanczos", true);
  p.associate = BlpAssociation(place.xdg, place.executablePath).IsAssociated();
}

void SaveConverter(IniFile& ini, const ConverterSettings& c) {
  const QString s = "CONVERTER";
  ini.WriteString(s, "SourceFolder", FolderForFile(c.sourceFolder));
  ini.WriteString(s, "DestFolder", FolderForFile(c.destFolder));
  ini.WriteInteger(s, "Extensions", c.extensions);
  ini.WriteInteger(s, "DestFormat", c.destFormat);
  ini.WriteBool(s, "Subfolders", c.subfolders);
  ini.WriteBool(s, "FolderStruct", c.folderStruct);
}

void SaveProgram(IniFile& ini, const SettingsPlace& place, const ProgramSettings& p) {
  const QString s = "SETTINGS";
  ini.WriteString(s, "Language", p.language);
  ini.WriteBool(s, "UseManifest", p.useManifest);
  // The manifest switch: only the file's name changes; a failed rename is ignored.
  const QString from = ManifestPath(place.programFolder, !p.useManifest);
  if (QFileInfo::exists(from)) QFile::rename(from, ManifestPath(place.programFolder, p.useManifest));
  ini.WriteBool(s, "ResizeWin", p.resizeWin);
  ini.WriteBool(s, "RunOneApp", p.runOneApp);
  ini.WriteBool(s, "Lanczos", p.lanczos);
}

}  // namespace

SettingsPlace SettingsPlace::ForThisProgram() {
  const QString folder = ProgramFolder();
  return {folder, SettingsFilePath(folder), QFileInfo("/proc/self/exe").symLinkTarget(),
          XdgFolders::FromEnvironment()};
}

QString FolderForWindow(QString stored, const QString& programFolder) {
  if (!stored.isEmpty() && !stored.endsWith('/')) stored += '/';
  return QFileInfo(stored).isDir() ? stored : programFolder;
}

QString FolderForFile(QString field) {
  if (!field.isEmpty() && !field.endsWith('/')) field += '/';
  return field;
}

bool ReadRunOneApp(const QString& settingsFile) {
  return IniFile(settingsFile).ReadBool("SETTINGS", "RunOneApp", true);
}

void LoadSettings(const SettingsPlace& place, OndrelSettings& settings, SettingsGroups groups) {
  const IniFile ini(place.settingsFile);
  if (groups.converter) LoadConverter(ini, place.programFolder, settings.converter);
  if (groups.optimizer) LoadOptimizer(ini, place.programFolder, settings.optimizer);
  if (groups.formatOptions) LoadFormatOptions(ini, settings.formatOptions);
  if (groups.alpha)
    settings.alphaTreatment = static_cast<std::uint8_t>(ini.ReadInteger("ALPHA", "AlphaOpt", 0));
  if (groups.program) LoadProgram(ini, place, settings.program);
  settings.showBlpInfo = ini.ReadBool("SETTINGS", "ShowBLPInfo", false);
}

void SaveSettings(const SettingsPlace& place, const OndrelSettings& settings, SettingsGroups groups,
                  const QString& openCaption) {
  IniFile ini(place.settingsFile);
  if (groups.converter) SaveConverter(ini, settings.converter);
  if (groups.optimizer) {
    ini.WriteString("OPTIMIZER", "SourceFolder", FolderForFile(settings.optimizer.sourceFolder));
    ini.WriteBool("OPTIMIZER", "Subfolders", settings.optimizer.subfolders);
  }
  if (groups.formatOptions)
    for (int block = 0; block < 6; ++block)
      for (int k = 0; k < kStoredBytes[block]; ++k)
        ini.WriteInteger(BlockSection(block), QString::number(k),
                         BlockBytes(settings.formatOptions, block)[k]);
  if (groups.alpha) ini.WriteInteger("ALPHA", "AlphaOpt", settings.alphaTreatment);
  if (groups.program) SaveProgram(ini, place, settings.program);
  ini.WriteBool("SETTINGS", "ShowBLPInfo", settings.showBlpInfo);
  ini.Save();

  if (groups.program) {
    BlpAssociation association(place.xdg, place.executablePath);
    if (settings.program.associate)
      association.Associate(openCaption);
    else
      association.Unassociate();
  }
}

}  // namespace ondrel
