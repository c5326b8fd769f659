// The language loader over the real windows, and the shipped English file.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "create_windows.hpp"
#include "ini_file.hpp"
#include "language_loader.hpp"
#include "qt_print.hpp"

using namespace ondrel;

namespace {

const QString kEnglish = QStringLiteral(ONDREL_SOURCE_DIR "/lang/English.lng");

// The (section, key) pairs of a profile file, lower-cased.
std::vector<std::pair<QString, QString>> KeysOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  std::vector<std::pair<QString, QString>> keys;
  QString section;
  for (const QString& raw : QString::fromUtf8(file.readAll()).split('\n')) {
    const QString line = raw.trimmed();
    if (line.startsWith('['))
      section = line.mid(1, line.indexOf(']') - 1).toLower();
    else if (line.indexOf('=') > 0 && !line.startsWith(';'))
      keys.emplace_back(section, line.left(line.indexOf('=')).trimmed().toLower());
  }
  return keys;
}

bool WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

class LanguageTest : public ::testing::Test {
 protected:
  OndrelWindows windows = CreateWindows();
  IndexedTexts texts;

  QTemporaryDir dir;

  void ApplyText(const char* text) {
    const QString path = dir.filePath("Test.lng");
    ASSERT_TRUE(WriteFile(path, text));
    ApplyLanguage(IniFile(path), windows, texts);
  }
  void ApplyEnglish() { ApplyLanguage(IniFile(kEnglish), windows, texts); }
};

TEST_F(LanguageTest, EnglishHasATextForEveryKeyTheWindowsLookUp) {
  const IniFile english(kEnglish);
  std::set<std::pair<QString, QString>> used;
  for (const LanguageSlot& slot : LanguageSlots(windows)) {
    ASSERT_TRUE(slot.target);
    EXPECT_FALSE(english.ReadString(slot.section, slot.key, {}).trimmed().isEmpty())
        << "[" << slot.section.toStdString() << "] " << slot.key.toStdString() << " for "
        << slot.target->objectName().toStdString();
    used.insert({slot.section.toLower(), slot.key.toLower()});
  }
  used.insert({"options", "title0"});
  used.insert({"options", "title1"});

  // The other way round: a key no control asks for is a typo or a control that has gone.
  const QStringList windowSections = {"hints", "main", "options", "converter", "alpha", "settings", "comments", "optimizer"};
  for (const auto& [section, key] : KeysOf(kEnglish))
    if (windowSections.contains(section)) {
      EXPECT_TRUE(used.count({section, key})) << "[" << section.toStdString() << "] " << key.toStdString();
    }
}

TEST_F(LanguageTest, EnglishFillsEveryIndexedText) {
  ApplyEnglish();
  auto expectFilled = [](const auto& table, const char* name) {
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_FALSE(table[i].isEmpty()) << name << " " << i;
  };
  expectFilled(texts.CAPTIONS, "CAPTIONS");
  expectFilled(texts.MESSAGES, "MESSAGES");
  expectFilled(texts.MSGTYPES, "MSGTYPES");
  expectFilled(texts.NAMED, "MESSAGES by name");
  EXPECT_FALSE(texts.Title0.isEmpty());
  EXPECT_FALSE(texts.Title1.isEmpty());
  // Quoted values keep the blank that separates them from the number after them.
  EXPECT_EQ(texts.CAPTIONS[0], "Width: ");
}

TEST_F(LanguageTest, AFileWithOnlyMainOpenChangesThatCaptionAndEmptiesTitlesAndTables) {
  ApplyEnglish();
  const QString saveAs = windows.ondrelForm->ui.mnuSaveAs->text();
  const QString signature = windows.ondrelForm->ui.lbxSignature->text();
  const QString convert = windows.convertForm->ui.btnConvert->text();

  ApplyText("[MAIN]\nOpen=Open a texture\n");

  EXPECT_EQ(windows.ondrelForm->ui.mnuOpen->text(), "Open a texture");
  EXPECT_EQ(windows.ondrelForm->ui.mnuSaveAs->text(), saveAs);
  EXPECT_EQ(windows.ondrelForm->ui.lbxSignature->text(), signature);
  EXPECT_EQ(windows.convertForm->ui.btnConvert->text(), convert);
  for (QWidget* window : std::initializer_list<QWidget*>{windows.convertForm, windows.alphaChanForm, windows.settingsForm,
                                                         windows.commentForm, windows.optimizeForm})
    EXPECT_TRUE(window->windowTitle().isEmpty()) << window->objectName().toStdString();
  EXPECT_TRUE(texts.Title0.isEmpty());
  EXPECT_TRUE(texts.CAPTIONS[26].isEmpty());
  EXPECT_TRUE(texts.MESSAGES[13].isEmpty());
  EXPECT_TRUE(texts.MSGTYPES[0].isEmpty());
}

TEST_F(LanguageTest, ToolButtonHintsComeOnlyFromHints) {
  Ui::TOndrelForm& ui = windows.ondrelForm->ui;
  ApplyText("[HINTS]\nZoomIn=Closer\nShowAlpha=Alpha as grey\n[MAIN]\nZoomOut=ignored\nShowAlpha=Show alpha\n");
  EXPECT_EQ(ui.btnZoomIn->toolTip(), "Closer");
  EXPECT_NE(ui.btnZoomOut->toolTip(), "ignored");
  EXPECT_NE(ui.btnZoomOut->text(), "ignored");
  // The button and the menu item share one action: the item takes the caption, the button the hint.
  EXPECT_EQ(ui.mnuShowAlpha->text(), "Show alpha");
  EXPECT_EQ(ui.btnShowAlpha->toolTip(), "Alpha as grey");
}

TEST_F(LanguageTest, CommentEditorButtonsTakeTheSettingsTexts) {
  ApplyText("[SETTINGS]\nOK=Apply\nCancel=Back\n[COMMENTS]\nTitle=Comment\nOK=not this\n");
  EXPECT_EQ(windows.commentForm->ui.btnOK->text(), "Apply");
  EXPECT_EQ(windows.commentForm->ui.btnCancel->text(), "Back");
  EXPECT_EQ(windows.commentForm->windowTitle(), "Comment");
  EXPECT_EQ(windows.settingsForm->ui.btnOK->text(), "Apply");
}

TEST_F(LanguageTest, FormatPagesOfTheSaveOptionsDropPrefixAndFormatTag) {
  const struct {
    const char* name;
    bool onFormatPage;
    const char* key;
  } cases[] = {
      {"chkBLP1MergeHeaders", true, "MergeHeaders"}, {"rbxDDS_TrueColor", true, "TrueColor"},
      {"chkPNG_FilterUp", true, "FilterUp"},         {"lbxJPG_QualityP", true, "QualityP"},
      {"grxPNG_Filters", true, "Filters"},           {"mnuOpen", false, "Open"},
      {"btnOK", false, "OK"},                        {"btn", false, ""},
      {"chkTGA", true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ControlKey(c.name, c.onFormatPage), c.key) << c.name;

  ApplyText("[OPTIONS]\nPaletted=Palette\nBLP1Paletted=wrong\nBrowse=Find\nFileName=Name\nOK=Save\nFilters=Filters\n");
  Ui::TBLPOptionsForm& ui = windows.optionsForm->ui;
  for (QAbstractButton* paletted : {static_cast<QAbstractButton*>(ui.rbxBLP1Paletted), static_cast<QAbstractButton*>(ui.rbxBLP2Paletted),
                                    static_cast<QAbstractButton*>(ui.rbxTGA_Paletted)})
    EXPECT_EQ(paletted->text(), "Palette") << paletted->objectName().toStdString();
  EXPECT_EQ(ui.btnBrowse->text(), "Find");     // on the top panel: from the fourth character
  EXPECT_EQ(ui.lbxFileName->text(), "Name");
  EXPECT_EQ(ui.btnOK->text(), "Save");         // on the window itself
  EXPECT_EQ(ui.grxPNG_Filters->title(), "Filters");
}

TEST_F(LanguageTest, LoadLanguageReadsTheSelectedFileFromTheProgramFolder) {
  const QString folder = dir.path() + "/";
  ASSERT_TRUE(WriteFile(folder + "Plain.lng", "[MAIN]\nOpen=Open plainly\n[CAPTIONS]\n26=Packing:\n23=Colours:\n"));
  QComboBox& list = *windows.settingsForm->ui.boxLanguage;

  // Nothing selected: nothing changes.
  ApplyEnglish();
  const QString open = windows.ondrelForm->ui.mnuOpen->text();
  list.addItems({"English.lng", "Plain.lng"});
  list.setCurrentIndex(-1);
  LoadLanguage(windows, folder, false);
  EXPECT_EQ(windows.ondrelForm->ui.mnuOpen->text(), open);

  list.setCurrentIndex(1);
  LoadLanguage(windows, folder, false);
  EXPECT_EQ(windows.ondrelForm->ui.mnuOpen->text(), "Open plainly");
  EXPECT_EQ(LanguageTexts().CAPTIONS[26], "Packing:");
  // Without an image open, the panel's changing captions show their defaults.
  EXPECT_EQ(windows.ondrelForm->ui.lbxCompression->text(), "Packing:");
  EXPECT_EQ(windows.ondrelForm->ui.lbxAlphaBits->text(), "");

  // A reload with an image open leaves those captions to the reopened image.
  windows.ondrelForm->ui.lbxCompression->setText("from the image");
  LoadLanguage(windows, folder, true, [] { return true; });
  EXPECT_EQ(windows.ondrelForm->ui.lbxCompression->text(), "from the image");
  LoadLanguage(windows, folder, true, [] { return false; });
  EXPECT_EQ(windows.ondrelForm->ui.lbxCompression->text(), "Packing:");
}

TEST_F(LanguageTest, ASelectedFileThatHasGoneLoadsAsEmpty) {
  const QString folder = dir.path() + "/";
  ApplyEnglish();
  const QString open = windows.ondrelForm->ui.mnuOpen->text();
  windows.convertForm->setWindowTitle("Mass converter");
  LanguageTexts().MESSAGES[4] = "left over";

  QComboBox& list = *windows.settingsForm->ui.boxLanguage;
  list.addItem("Gone.lng");
  list.setCurrentIndex(0);
  LoadLanguage(windows, folder, false);

  EXPECT_EQ(windows.ondrelForm->ui.mnuOpen->text(), open);
  EXPECT_TRUE(windows.convertForm->windowTitle().isEmpty());
  EXPECT_TRUE(LanguageTexts().MESSAGES[4].isEmpty());
}

}  // namespace
