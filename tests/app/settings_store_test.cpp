#include "settings_controls.hpp"
#include "settings_store.hpp"

#include "ini_file.hpp"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using namespace ondrel;

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

bool SameOptions(const FileFormatOptions& a, const FileFormatOptions& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A program folder, its settings file and private XDG folders, all in one temporary folder.
class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    QDir().mkpath(dir_.filePath("bin"));
    place_.programFolder = dir_.filePath("bin") + '/';
    place_.settingsFile = place_.programFolder + "ondrel.ini";
    place_.executablePath = place_.programFolder + "ondrel";
    place_.xdg = {dir_.filePath("data"), dir_.filePath("config")};
  }
  QString Folder(const QString& name) {
    QDir().mkpath(dir_.filePath(name));
    return dir_.filePath(name) + '/';
  }
  OndrelSettings Loaded(SettingsGroups groups = kAllSettings) {
    OndrelSettings s;
    LoadSettings(place_, s, groups);
    return s;
  }
  QByteArray File() { return ReadFile(place_.settingsFile); }

  QTemporaryDir dir_;
  SettingsPlace place_;
};

TEST_F(SettingsTest, EveryKeyOfEverySectionIsWrittenAndReadBack) {
  WriteFile(place_.programFolder + "Deutsch.lng", "");
  WriteFile(place_.programFolder + "ondrel.exe.manifest", "");
  OndrelSettings s;
  s.converter = {Folder("src"), Folder("dst"), 5, false, false, 21};
  s.optimizer = {Folder("opt"), false};
  auto* bytes = reinterpret_cast<std::uint8_t*>(&s.formatOptions);
  for (int i = 0; i < 48; ++i) bytes[i] = static_cast<std::uint8_t>(100 + i);
  s.alphaTreatment = 3;
  s.program.runOneApp = false;
  s.program.language = "Deutsch.lng";
  s.program.useManifest = true;
  s.program.resizeWin = false;
  s.program.lanczos = false;
  s.showBlpInfo = true;
  SaveSettings(place_, s, kAllSettings, "&Open");

  QByteArray expected = "[CONVERTER]\nSourceFolder=" + s.converter.sourceFolder.toUtf8() +
                        "\nDestFolder=" + s.converter.destFolder.toUtf8() +
                        "\nExtensions=21\nDestFormat=5\nSubfolders=0\nFolderStruct=0\n\n"
                        "[OPTIMIZER]\nSourceFolder=" + s.optimizer.sourceFolder.toUtf8() +
                        "\nSubfolders=0\n";
  const int stored[6] = {8, 8, 3, 7, 5, 2};
  for (int block = 0; block < 6; ++block) {
    expected += "\n[FFO_" + QByteArray::number(block) + "]\n";
    for (int k = 0; k < stored[block]; ++k)
      expected += QByteArray::number(k) + '=' + QByteArray::number(100 + block * 8 + k) + '\n';
  }
  expected += "\n[ALPHA]\nAlphaOpt=3\n\n[SETTINGS]\nLanguage=Deutsch.lng\nUseManifest=1\n"
              "ResizeWin=0\nRunOneApp=0\nLanczos=0\nShowBLPInfo=1\n";
  EXPECT_EQ(File().toStdString(), expected.toStdString());

  const OndrelSettings back = Loaded();
  EXPECT_EQ(back.converter.sourceFolder, s.converter.sourceFolder);
  EXPECT_EQ(back.converter.destFolder, s.converter.destFolder);
  EXPECT_EQ(back.converter.destFormat, 5);
  EXPECT_FALSE(back.converter.subfolders);
  EXPECT_FALSE(back.converter.folderStruct);
  EXPECT_EQ(back.converter.extensions, 21);
  EXPECT_EQ(back.optimizer.sourceFolder, s.optimizer.sourceFolder);
  EXPECT_FALSE(back.optimizer.subfolders);
  FileFormatOptions expectedOptions = s.formatOptions;  // bytes the file does not keep stay designed
  const FileFormatOptions designed = DesignedFileFormatOptions();
  auto* e = reinterpret_cast<std::uint8_t*>(&expectedOptions);
  const auto* d = reinterpret_cast<const std::uint8_t*>(&designed);
  for (int block = 0; block < 6; ++block)
    for (int k = stored[block]; k < 8; ++k) e[block * 8 + k] = d[block * 8 + k];
  EXPECT_TRUE(SameOptions(back.formatOptions, expectedOptions));
  EXPECT_EQ(back.alphaTreatment, 3);
  EXPECT_FALSE(back.program.runOneApp);
  EXPECT_EQ(back.program.language, "Deutsch.lng");
  EXPECT_TRUE(back.program.useManifest);
  EXPECT_FALSE(back.program.resizeWin);
  EXPECT_FALSE(back.program.lanczos);
  EXPECT_TRUE(back.showBlpInfo);
}

TEST_F(SettingsTest, MissingFileSectionKeyOrNumberLeavesTheDefaults) {
  const auto expectDefaults = [&](const OndrelSettings& s) {
    EXPECT_EQ(s.converter.sourceFolder, place_.programFolder);
    EXPECT_EQ(s.converter.destFolder, place_.programFolder);
    EXPECT_EQ(s.converter.destFormat, 2);
    EXPECT_TRUE(s.converter.subfolders && s.converter.folderStruct);
    EXPECT_EQ(s.converter.extensions, 63);
    EXPECT_EQ(s.optimizer.sourceFolder, place_.programFolder);
    EXPECT_TRUE(s.optimizer.subfolders);
    EXPECT_TRUE(SameOptions(s.formatOptions, DesignedFileFormatOptions()));
    EXPECT_EQ(s.alphaTreatment, 0);
    EXPECT_TRUE(s.program.runOneApp && s.program.resizeWin && s.program.lanczos);
    EXPECT_FALSE(s.program.useManifest || s.program.manifestEnabled || s.program.associate);
    EXPECT_EQ(s.program.language, "");
    EXPECT_FALSE(s.showBlpInfo);
  };
  {
    SCOPED_TRACE("missing file");
    expectDefaults(Loaded());
  }
  {
    SCOPED_TRACE("other sections only, and keys that are not numbers");
    WriteFile(place_.settingsFile,
              "[OTHER]\nDestFormat=4\n[CONVERTER]\nDestFormat=four\nExtensions=\n"
              "[FFO_0]\n2=high\n[ALPHA]\nAlphaOpt=x\n[SETTINGS]\nShowBLPInfo=on\n");
    expectDefaults(Loaded());
  }
}

TEST_F(SettingsTest, SaveOptionsStoredAreUsedAsTheyAreMissingOnesTakeTheDesignedValue) {
  WriteFile(place_.settingsFile, "[FFO_0]\n2=0\n7=300\n[FFO_5]\n0=0\n");
  const FileFormatOptions o = Loaded().formatOptions;
  EXPECT_EQ(o.blp1.Blp1Quality, 0) << "a stored 0 is kept";
  EXPECT_EQ(o.blp1.Blp1MipmapsMinus1, 300 & 0xFF) << "bytes keep the low 8 bits";
  EXPECT_EQ(o.jpg.JpgQuality, 0);
  EXPECT_EQ(o.blp1.Blp1ColorsMinus1, 255);
  EXPECT_EQ(o.jpg.JpgProgressive, 0);
  EXPECT_EQ(o.blp2.Blp2Kind, 1);
  EXPECT_EQ(o.blp2.Blp2Encoding, 2);
  EXPECT_EQ(o.png.PngCompression, 9);
  EXPECT_EQ(o.dds.DdsMipmapsMinus1, 1);
}

TEST_F(SettingsTest, FoldersGainATrailingSlashAndAMissingOneShowsAsTheProgramFolder) {
  const QString source = Folder("textures");
  WriteFile(place_.settingsFile, "[CONVERTER]\nSourceFolder=" + source.chopped(1).toUtf8() +
                                     "\nDestFolder=/no/such/folder/\n"
                                     "[OPTIMIZER]\nSourceFolder=" + source.toUtf8() + "\n");
  OndrelSettings s = Loaded();
  EXPECT_EQ(s.converter.sourceFolder, source);
  EXPECT_EQ(s.converter.destFolder, place_.programFolder);
  EXPECT_EQ(s.optimizer.sourceFolder, source);

  s.converter.sourceFolder = source.chopped(1);
  s.converter.destFolder = "";
  SaveSettings(place_, s, {.converter = true}, {});
  const IniFile ini(place_.settingsFile);
  EXPECT_EQ(ini.ReadString("CONVERTER", "SourceFolder", {}), source);
  EXPECT_EQ(ini.ReadString("CONVERTER", "DestFolder", "x"), "") << "an empty field stays empty";
}

TEST_F(SettingsTest, SavingAGroupKeepsTheOtherLinesAndAlwaysTouchesShowBlpInfo) {
  WriteFile(place_.settingsFile, "; mine\n[SETTINGS]\nLanczos=0\nShowBLPInfo=1\nFuture=yes\n");
  OndrelSettings s = Loaded({.converter = true});
  EXPECT_TRUE(s.showBlpInfo) << "read whatever the groups";
  EXPECT_TRUE(s.program.lanczos) << "the program group was not loaded";
  s.alphaTreatment = 4;
  s.showBlpInfo = false;
  SaveSettings(place_, s, {.alpha = true}, {});
  EXPECT_EQ(File(), "; mine\n[SETTINGS]\nLanczos=0\nShowBLPInfo=0\nFuture=yes\n\n"
                    "[ALPHA]\nAlphaOpt=4\n");
}

TEST_F(SettingsTest, ManifestBoxAndRename) {
  const QString active = place_.programFolder + "ondrel.exe.manifest";
  const QString aside = place_.programFolder + "ondrel.manifest";
  OndrelSettings s = Loaded();
  EXPECT_FALSE(s.program.useManifest);
  EXPECT_FALSE(s.program.manifestEnabled) << "neither file: unchecked and disabled";
  s.program.useManifest = true;
  SaveSettings(place_, s, {.program = true}, {});
  EXPECT_FALSE(QFile::exists(active) || QFile::exists(aside)) << "nothing to rename";

  WriteFile(aside, "m");
  s = Loaded();
  EXPECT_FALSE(s.program.useManifest);
  EXPECT_TRUE(s.program.manifestEnabled);
  s.program.useManifest = true;
  SaveSettings(place_, s, {.program = true}, {});
  EXPECT_TRUE(QFile::exists(active) && !QFile::exists(aside));
  EXPECT_TRUE(Loaded().program.useManifest);

  WriteFile(place_.settingsFile, "[SETTINGS]\nUseManifest=0\n");
  s = Loaded();
  EXPECT_FALSE(s.program.useManifest) << "the file is there but the key says off";
  SaveSettings(place_, s, {.program = true}, {});
  EXPECT_TRUE(QFile::exists(aside) && !QFile::exists(active));
}

TEST_F(SettingsTest, LanguageIsMatchedWithoutCaseAndFallsBackToEnglish) {
  WriteFile(place_.settingsFile, "[SETTINGS]\nLanguage=deutsch.LNG\n");
  EXPECT_EQ(Loaded().program.language, "") << "no language files at all";
  WriteFile(place_.programFolder + "Deutsch.lng", "");
  EXPECT_EQ(Loaded().program.language, "Deutsch.lng");
  EXPECT_EQ(Loaded().program.languages, QStringList{"Deutsch.lng"});
  WriteFile(place_.settingsFile, "[SETTINGS]\nLanguage=Gone.lng\n");
  EXPECT_EQ(Loaded().program.language, "");
  WriteFile(place_.programFolder + "English.lng", "");
  EXPECT_EQ(Loaded().program.language, "English.lng");
}

TEST_F(SettingsTest, TheProgramGroupMakesAndUndoesTheAssociation) {
  OndrelSettings s = Loaded();
  EXPECT_FALSE(s.program.associate);
  s.program.associate = true;
  SaveSettings(place_, s, {.program = true}, "&Open");
  EXPECT_TRUE(Loaded().program.associate);
  EXPECT_TRUE(QFile::exists(place_.xdg.dataHome + "/applications/ondrel.desktop"));
  s.program.associate = false;
  SaveSettings(place_, s, {.program = true}, "&Open");
  EXPECT_FALSE(Loaded().program.associate);
}

// The windows' controls, named as the forms name them.
struct Windows {
  Windows() {
    for (const char* name : {"edSourceFolder", "edDestFolder"}) Add<QLineEdit>(convert, name);
    for (const char* name : {"chkSubfolders", "chkFolderStruct", "chkFormatBMP", "chkFormatTGA",
                             "chkFormatJPG", "chkFormatBLP", "chkFormatPNG", "chkFormatDDS"})
      Add<QCheckBox>(convert, name);
    Add<QComboBox>(convert, "boxFormatDest")
        ->addItems({"BMP", "TGA", "BLP1", "BLP2", "JPG", "PNG", "DDS"});
    Add<QLineEdit>(optimize, "edSourceFolder");
    Add<QCheckBox>(optimize, "chkSubfolders");
    for (const char* name :
         {"chkUseManifest", "chkResizeWindow", "chkRunOneApp", "chkLanczos", "chkAssociate"})
      Add<QCheckBox>(settings, name);
    Add<QComboBox>(settings, "boxLanguage");
    auto* info = new QAction(&main);
    info->setObjectName("mnuImageInfo");
    info->setCheckable(true);
  }
  template <typename T>
  T* Add(QWidget& parent, const char* name) {
    auto* w = new T(&parent);
    w->setObjectName(name);
    return w;
  }
  bool Checked(QWidget& root, const char* name) {
    return root.findChild<QAbstractButton*>(name)->isChecked();
  }
  SettingsWindows roots() { return {&main, &convert, &optimize, &settings}; }

  QWidget main, convert, optimize, settings;
};

TEST_F(SettingsTest, ExtensionsSetAndReadTheSixFormatBoxes) {
  Windows w;
  const char* boxes[] = {"chkFormatBMP", "chkFormatTGA", "chkFormatJPG",
                         "chkFormatBLP", "chkFormatPNG", "chkFormatDDS"};
  for (int extensions : {0, 63}) {
    WriteFile(place_.settingsFile, "[CONVERTER]\nExtensions=" + QByteArray::number(extensions));
    ShowSettings(Loaded(), {.converter = true}, w.roots());
    for (const char* box : boxes) EXPECT_EQ(w.Checked(w.convert, box), extensions == 63) << box;
  }
  for (const char* box : boxes)
    w.convert.findChild<QAbstractButton*>(box)->setChecked(std::strcmp(box, "chkFormatPNG") == 0 ||
                                                           std::strcmp(box, "chkFormatDDS") == 0);
  OndrelSettings s = Loaded();
  TakeSettings(s, {.converter = true}, w.roots());
  SaveSettings(place_, s, {.converter = true}, {});
  EXPECT_EQ(IniFile(place_.settingsFile).ReadInteger("CONVERTER", "Extensions", -1), 48);
}

TEST_F(SettingsTest, ControlsShowAndGiveBackEveryValue) {
  Windows w;
  OndrelSettings s;
  s.converter = {"/a/", "/b/", 3, false, true, 5};
  s.optimizer = {"/c/", false};
  s.program.languages = {"English.lng", "Deutsch.lng"};
  s.program.language = "Deutsch.lng";
  s.program.useManifest = true;
  s.program.manifestEnabled = false;
  s.program.resizeWin = false;
  s.program.runOneApp = true;
  s.program.lanczos = false;
  s.program.associate = true;
  s.showBlpInfo = true;
  ShowSettings(s, kAllSettings, w.roots());
  EXPECT_FALSE(w.settings.findChild<QWidget*>("chkUseManifest")->isEnabled());
  EXPECT_TRUE(w.main.findChild<QAction*>("mnuImageInfo")->isChecked());
  auto* languages = w.settings.findChild<QComboBox*>("boxLanguage");
  EXPECT_EQ(languages->count(), 2);
  EXPECT_EQ(languages->currentText(), "Deutsch.lng");

  OndrelSettings back;
  back.program.languages = s.program.languages;
  back.program.manifestEnabled = s.program.manifestEnabled;
  TakeSettings(back, kAllSettings, w.roots());
  EXPECT_EQ(back.converter.sourceFolder, "/a/");
  EXPECT_EQ(back.converter.destFolder, "/b/");
  EXPECT_EQ(back.converter.destFormat, 3);
  EXPECT_FALSE(back.converter.subfolders);
  EXPECT_TRUE(back.converter.folderStruct);
  EXPECT_EQ(back.converter.extensions, 5);
  EXPECT_EQ(back.optimizer.sourceFolder, "/c/");
  EXPECT_FALSE(back.optimizer.subfolders);
  EXPECT_EQ(back.program.language, "Deutsch.lng");
  EXPECT_TRUE(back.program.useManifest);
  EXPECT_FALSE(back.program.resizeWin);
  EXPECT_TRUE(back.program.runOneApp);
  EXPECT_FALSE(back.program.lanczos);
  EXPECT_TRUE(back.program.associate);
  EXPECT_TRUE(back.showBlpInfo);

  languages->setCurrentIndex(-1);
  TakeSettings(back, {.program = true}, w.roots());
  EXPECT_EQ(back.program.language, "") << "no entry selected";
}

}  // namespace
