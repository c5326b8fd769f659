// The main window's start-up duties: what its first showing fills in, in which order, and what
// closing it writes.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ini_file.hpp"
#include "language_texts.hpp"
#include "ondrel_shell.hpp"
#include "qt_print.hpp"

using namespace ondrel;

namespace {

class ShellTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  SettingsPlace place;
  OndrelWindows windows = CreateWindows();

  void SetUp() override {
    ASSERT_TRUE(QDir(dir.path()).mkpath("bin"));
    place.programFolder = dir.filePath("bin") + '/';
    place.settingsFile = place.programFolder + "ondrel.ini";
    place.executablePath = place.programFolder + "ondrel";
    place.xdg = {dir.filePath("data"), dir.filePath("config")};
    ASSERT_TRUE(QFile::copy(ONDREL_SOURCE_DIR "/lang/English.lng", place.programFolder + "English.lng"));
  }

  void WriteSettings(const QByteArray& text) {
    QFile file(place.settingsFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
  }
};

TEST_F(ShellTest, FirstShowingFillsTheWindowsFromTheSettingsThenTheLanguage) {
  WriteSettings("[SETTINGS]\nShowBLPInfo=1\nLanczos=0\n[CONVERTER]\nDestFormat=3\nExtensions=48\n");
  OndrelShell shell(windows, place, nullptr, {});
  EXPECT_EQ(windows.ondrelForm->ui.mnuOpen->text(), "");  // nothing before the window shows

  windows.ondrelForm->show();

  Ui::TOndrelForm& main = windows.ondrelForm->ui;
  EXPECT_TRUE(main.mnuImageInfo->isChecked());
  EXPECT_TRUE(main.p1->isVisible());
  EXPECT_EQ(windows.convertForm->ui.boxFormatDest->currentIndex(), 3);
  EXPECT_FALSE(windows.convertForm->ui.chkFormatBMP->isChecked());
  EXPECT_TRUE(windows.convertForm->ui.chkFormatDDS->isChecked());
  EXPECT_FALSE(windows.settingsForm->ui.chkLanczos->isChecked());
  EXPECT_FALSE(shell.settings().program.lanczos);
  // No language chosen yet: English, into every window and the indexed texts.
  EXPECT_EQ(windows.settingsForm->ui.boxLanguage->currentText(), "English.lng");
  EXPECT_EQ(main.mnuOpen->text(), "&Open...");
  EXPECT_EQ(windows.convertForm->windowTitle(), "Mass converter");
  EXPECT_EQ(main.lbxCompression->text(), LanguageTexts().CAPTIONS[26]);
  EXPECT_FALSE(LanguageTexts().MESSAGES[9].isEmpty());
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "Ondrel");
  windows.ondrelForm->hide();
}

TEST_F(ShellTest, OpensAnyCommandLineFileSoAMissingOneSaysWhy) {
  const QString image = place.programFolder + "tex.blp";
  QFile(image).open(QIODevice::WriteOnly);
  for (const QString& given : {image, place.programFolder + "gone.blp", QString()}) {
    OndrelWindows own = CreateWindows();
    OndrelShell shell(own, place, nullptr, given);
    QStringList opened;
    shell.openImage = [&](const QString& path) {
      // The language is in place before the file opens, so its texts can be built.
      EXPECT_EQ(own.ondrelForm->ui.mnuOpen->text(), "&Open...");
      opened << path;
    };
    own.ondrelForm->show();
    own.ondrelForm->hide();
    own.ondrelForm->show();  // a later showing is not a first one
    EXPECT_EQ(opened, given.isEmpty() ? QStringList{} : QStringList{given}) << given.toStdString();
    own.ondrelForm->hide();
  }
}

TEST_F(ShellTest, ClosingWritesTheConverterAlphaAndOptimizerGroups) {
  WriteSettings("[SETTINGS]\nLanczos=0\n");
  OndrelShell shell(windows, place, nullptr, {});
  windows.ondrelForm->show();
  windows.optimizeForm->ui.edSourceFolder->setText(dir.path());
  windows.convertForm->ui.boxFormatDest->setCurrentIndex(5);
  shell.settings().alphaTreatment = 3;
  windows.settingsForm->ui.chkLanczos->setChecked(true);  // the program group is not saved here

  windows.ondrelForm->close();

  const IniFile saved(place.settingsFile);
  EXPECT_EQ(saved.ReadString("OPTIMIZER", "SourceFolder", {}), dir.path() + "/");
  EXPECT_EQ(saved.ReadInteger("CONVERTER", "DestFormat", -1), 5);
  EXPECT_EQ(saved.ReadInteger("ALPHA", "AlphaOpt", -1), 3);
  EXPECT_EQ(saved.ReadInteger("SETTINGS", "Lanczos", -1), 0);
  EXPECT_FALSE(saved.Value("FFO_0", "0"));
}

}  // namespace
