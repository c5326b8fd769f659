// The eight windows: every control the program's parts refer to, the main window's menus and
// their starting states, and layouts that make room for longer texts.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include "create_windows.hpp"
#include "ini_file.hpp"
#include "language_loader.hpp"
#include "qt_print.hpp"

using namespace ondrel;

namespace {

class WindowsTest : public ::testing::Test {
 protected:
  OndrelWindows windows = CreateWindows();
};

TEST_F(WindowsTest, EveryWindowHasTheControlsTheProgramLooksUp) {
  const struct {
    QWidget* window;
    QStringList names;
  } cases[] = {
      {windows.ondrelForm.get(),
       {"p1", "grxImageInfo", "lbxSignature", "lblBLPSign", "lbxCompression", "lblBLPCompress", "lbxPictureType",
        "lblBLPPictype", "lbxAlphaBits", "lblBLPAlpha", "lbxHeaderSize", "lblBLPPalsize", "lbxQuality",
        "lblBLPQuality", "lbxMipmapCount", "lblBLPMipmaps", "boxBLPMipmaps", "Splitter1", "p2", "btnFilePrev",
        "btnFileNext", "btnShowAlpha", "btnShowTrans", "btnZoomIn", "btnZoomOut", "boxZoom", "edFileNum", "edFileDir",
        "edFileDirBrowse", "p4", "lblWidthHeight", "lblImageColors", "sb1", "mnuFile", "mnuView", "mnuTools",
        "mnuHelp"}},
      {windows.optionsForm,
       {"Panel1", "lbxFileName", "edFileName", "boxFileExt", "btnBrowse", "btnAlphaOptions", "btnOK", "btnCancel",
        "PageControl1", "rbxBLP1Paletted", "rbxBLP1Compressed1", "edBLP1Colors", "lbxBLP1Colors", "chkBLP1CompressPal",
        "chkBLP1ErrorDiff1", "edBLP1Quality", "lbxBLP1Quality", "chkBLP1MergeHeaders", "chkBLP1Progressive",
        "edBLP1Mipmaps", "rbxBLP2Paletted", "rbxBLP2Compressed2", "edBLP2Colors", "lbxBLP2Colors", "chkBLP2CompressPal",
        "chkBLP2ErrorDiff1", "chkBLP2ErrorDiff2", "edBLP2Mipmaps", "rbxDDS_TrueColor", "rbxDDS_Compressed2",
        "chkDDS_ErrorDiff2", "edDDS_Mipmaps", "rbxTGA_Paletted", "rbxTGA_TrueColor", "edTGA_Colors", "lbxTGA_Colors",
        "chkTGA_CompressPal", "chkTGA_ErrorDiff1", "chkTGA_TopLeft", "chkTGA_RLE", "chkTGA_Override", "edPNG_Ratio",
        "grxPNG_Filters", "chkPNG_FilterSub", "chkPNG_FilterUp", "chkPNG_FilterAverage", "chkPNG_FilterPaeth",
        "edJPG_Quality", "lbxJPG_QualityP", "chkJPG_Progressive"}},
      {windows.convertForm,
       {"grxSourceFormats", "chkFormatBMP", "chkFormatTGA", "chkFormatBLP", "chkFormatJPG", "chkFormatPNG",
        "chkFormatDDS", "lbxDestFormat", "boxFormatDest", "lbxSourceFolder", "edSourceFolder", "btnBrowse1",
        "chkSubfolders", "lbxDestFolder", "edDestFolder", "btnBrowse2", "chkFolderStruct", "Progress1", "btnFFOptions",
        "btnAlphaOptions", "btnConvert"}},
      {windows.aboutForm, {"btnOK"}},
      {windows.alphaChanForm,
       {"chkAlphaNoChange", "chkAlphaAddOpaque", "chkAlphaRemove", "chkAlphaSpec", "chkAlphaOnepx", "btnOK", "btnCancel"}},
      {windows.settingsForm,
       {"chkLanczos", "chkResizeWindow", "Bevel1", "chkAssociate", "chkRunOneApp", "chkUseManifest", "lbxLanguage",
        "boxLanguage", "btnOK", "btnCancel"}},
      {windows.commentForm, {"memComment", "lblSymCount", "btnOK", "btnCancel"}},
      {windows.optimizeForm,
       {"lbxSourceFolder", "edSourceFolder", "btnBrowse", "chkSubfolders", "btnOptimize", "Progress1", "memLog"}},
  };
  for (const auto& c : cases)
    for (const QString& name : c.names)
      EXPECT_EQ(c.window->findChildren<QObject*>(name).size(), 1)
          << c.window->objectName().toStdString() << "." << name.toStdString();
}

TEST_F(WindowsTest, MainMenusHoldEveryItemWithItsShortcutAndStartingState) {
  Ui::TOndrelForm& ui = windows.ondrelForm->ui;
  const struct {
    QMenu* menu;
    QStringList items;  // "-" is a separator
  } menus[] = {
      {ui.mnuFile, {"mnuOpen", "mnuSaveAs", "-", "mnuSaveOpti", "mnuSaveOptiAs", "-", "mnuQuit"}},
      {ui.mnuView, {"mnuShowAlpha", "mnuShowTrans", "-", "mnuImageInfo"}},
      {ui.mnuTools, {"mnuComments", "-", "mnuMassConverter", "mnuMassOptimizer", "-", "mnuSettings"}},
      {ui.mnuHelp, {"mnuAbout"}},
  };
  for (const auto& m : menus) {
    QStringList items;
    for (const QAction* action : m.menu->actions()) items << (action->isSeparator() ? "-" : action->objectName());
    EXPECT_EQ(items, m.items) << m.menu->objectName().toStdString();
  }

  const struct {
    QAction* item;
    const char* shortcut;
    bool enabled;
    bool checkable;
  } items[] = {
      {ui.mnuOpen, "Ctrl+O", true, false},           {ui.mnuSaveAs, "Ctrl+S", false, false},
      {ui.mnuSaveOpti, "F2", false, false},          {ui.mnuSaveOptiAs, "Ctrl+Alt+S", false, false},
      {ui.mnuQuit, "", true, false},                 {ui.mnuShowAlpha, "Ctrl+A", false, true},
      {ui.mnuShowTrans, "Ctrl+T", false, true},      {ui.mnuImageInfo, "", true, true},
      {ui.mnuComments, "", false, false},            {ui.mnuMassConverter, "F7", true, false},
      {ui.mnuMassOptimizer, "F8", true, false},      {ui.mnuSettings, "", true, false},
      {ui.mnuAbout, "F1", true, false},
  };
  for (const auto& i : items) {
    const std::string name = i.item->objectName().toStdString();
    EXPECT_EQ(i.item->shortcut(), QKeySequence(i.shortcut)) << name;
    EXPECT_EQ(i.item->isEnabled(), i.enabled) << name;
    EXPECT_EQ(i.item->isCheckable(), i.checkable) << name;
    EXPECT_FALSE(i.item->isChecked()) << name;
  }
}

TEST_F(WindowsTest, ToolButtonsShareTheMenuActionsAndStartDisabled) {
  Ui::TOndrelForm& ui = windows.ondrelForm->ui;
  EXPECT_EQ(ui.btnShowAlpha->defaultAction(), ui.mnuShowAlpha);
  EXPECT_EQ(ui.btnShowTrans->defaultAction(), ui.mnuShowTrans);
  for (QToolButton* button : {ui.btnFilePrev, ui.btnFileNext, ui.btnShowAlpha, ui.btnShowTrans, ui.btnZoomIn, ui.btnZoomOut})
    EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
  EXPECT_FALSE(ui.boxZoom->isEnabled());
  EXPECT_TRUE(ui.edFileDirBrowse->isEnabled());
  EXPECT_EQ(ui.edFileDirBrowse->text(), "...");

  // Show alpha and show transparency: at most one at a time, and both may be off.
  ui.mnuShowAlpha->setEnabled(true);
  ui.mnuShowTrans->setEnabled(true);
  ui.btnShowAlpha->click();
  EXPECT_TRUE(ui.mnuShowAlpha->isChecked());
  ui.mnuShowTrans->trigger();
  EXPECT_FALSE(ui.mnuShowAlpha->isChecked());
  EXPECT_TRUE(ui.btnShowTrans->isChecked());
  ui.btnShowTrans->click();
  EXPECT_FALSE(ui.mnuShowTrans->isChecked());
  EXPECT_FALSE(ui.mnuShowAlpha->isChecked());

  QStringList zooms;
  for (int i = 0; i < ui.boxZoom->count(); ++i) zooms << ui.boxZoom->itemText(i);
  EXPECT_EQ(zooms, QStringList({"25%", "50%", "100%", "200%", "400%", "800%", "1600%"}));
}

TEST_F(WindowsTest, MainWindowStartsAtItsDesignedSizeWhichIsAlsoItsSmallest) {
  TOndrelForm& form = *windows.ondrelForm;
  IndexedTexts texts;
  ApplyLanguage(IniFile(ONDREL_SOURCE_DIR "/lang/English.lng"), windows, texts);  // a menu bar with texts
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(form.size(), QSize(515, 383));
  form.resize(200, 100);
  EXPECT_EQ(form.size(), QSize(515, 383));
  // The information panel opens at its designed width where the tool row leaves room for it.
  form.resize(800, 383);
  QCoreApplication::processEvents();
  form.ui.mnuImageInfo->setChecked(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.ui.p1->width(), 193);
  form.resize(900, 383);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.ui.p1->width(), 193);
}

TEST_F(WindowsTest, DialogsStartWithTheirDesignedValues) {
  Ui::TBLPOptionsForm& o = windows.optionsForm->ui;
  const struct {
    QSpinBox* edit;
    int minimum, maximum, value;
  } spins[] = {
      {o.edBLP1Colors, 1, 256, 256}, {o.edBLP1Quality, 1, 100, 85}, {o.edBLP1Mipmaps, 1, 16, 2},
      {o.edBLP2Colors, 1, 256, 256}, {o.edBLP2Mipmaps, 1, 16, 2},   {o.edDDS_Mipmaps, 1, 16, 2},
      {o.edTGA_Colors, 1, 256, 256}, {o.edPNG_Ratio, 0, 9, 9},      {o.edJPG_Quality, 1, 100, 85},
  };
  for (const auto& s : spins) {
    EXPECT_EQ(s.edit->minimum(), s.minimum) << s.edit->objectName().toStdString();
    EXPECT_EQ(s.edit->maximum(), s.maximum) << s.edit->objectName().toStdString();
    EXPECT_EQ(s.edit->value(), s.value) << s.edit->objectName().toStdString();
  }
  const struct {
    QAbstractButton* button;
    bool checked;
  } checks[] = {
      {o.rbxBLP1Compressed1, true},  {o.rbxBLP1Paletted, false},      {o.chkBLP1CompressPal, true},
      {o.chkBLP1ErrorDiff1, true},   {o.chkBLP1MergeHeaders, true},   {o.chkBLP1Progressive, true},
      {o.rbxBLP2Compressed2, true},  {o.rbxBLP2Paletted, false},      {o.chkBLP2CompressPal, true},
      {o.chkBLP2ErrorDiff1, true},   {o.chkBLP2ErrorDiff2, true},     {o.rbxDDS_Compressed2, true},
      {o.rbxDDS_TrueColor, false},   {o.chkDDS_ErrorDiff2, true},     {o.rbxTGA_TrueColor, true},
      {o.rbxTGA_Paletted, false},    {o.chkTGA_CompressPal, true},    {o.chkTGA_ErrorDiff1, true},
      {o.chkTGA_TopLeft, false},     {o.chkTGA_RLE, false},           {o.chkTGA_Override, false},
      {o.chkPNG_FilterSub, false},   {o.chkPNG_FilterUp, false},      {o.chkPNG_FilterAverage, false},
      {o.chkPNG_FilterPaeth, false}, {o.chkJPG_Progressive, false},
      {windows.alphaChanForm->ui.chkAlphaNoChange, true},
  };
  for (const auto& c : checks) EXPECT_EQ(c.button->isChecked(), c.checked) << c.button->objectName().toStdString();

  QStringList pages, formats, destinations;
  for (int i = 0; i < o.PageControl1->count(); ++i) pages << o.PageControl1->tabText(i);
  for (int i = 0; i < o.boxFileExt->count(); ++i) formats << o.boxFileExt->itemText(i);
  QComboBox* dest = windows.convertForm->ui.boxFormatDest;
  for (int i = 0; i < dest->count(); ++i) destinations << dest->itemText(i);
  EXPECT_EQ(pages, QStringList({"BLP v1", "BLP v2", "DDS", "TGA", "PNG", "JPG"}));
  EXPECT_EQ(formats, QStringList({"BLP1", "BLP2", "DDS", "TGA", "PNG", "JPG", "BMP"}));
  EXPECT_EQ(o.boxFileExt->currentIndex(), 0);
  EXPECT_EQ(destinations, QStringList({"BMP", "TGA", "BLP1", "BLP2", "JPG", "PNG", "DDS"}));
}

TEST_F(WindowsTest, AboutShowsTheLibraryVersionAfterItsCaption) {
  EXPECT_EQ(windows.aboutForm->windowTitle(), "About Ondrel...");
  EXPECT_TRUE(windows.aboutForm->ui.lblLibraryVersion->text().contains(QRegularExpression("version: \\d+\\.\\d+\\.\\d+\\.\\d+$")))
      << windows.aboutForm->ui.lblLibraryVersion->text().toStdString();
}

// Every caption three times as long as any English one: each control still gets the room its
// text needs, in the main window (information panel shown) and on every page of every dialog.
TEST_F(WindowsTest, LongerTranslationsDoNotClip) {
  QString text;
  for (const LanguageSlot& slot : LanguageSlots(windows))
    text += QString("[%1]\n%2=%3 wide words of a long translation\n").arg(slot.section, slot.key, slot.key.repeated(3));
  QTemporaryDir dir;
  QFile file(dir.filePath("Long.lng"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
  file.close();
  IndexedTexts texts;
  ApplyLanguage(IniFile(file.fileName()), windows, texts);

  windows.ondrelForm->ui.mnuImageInfo->setChecked(true);
  windows.ondrelForm->ui.lblBLPCompress->setText("a value as long as a translation makes it");
  for (QWidget* dialog : std::initializer_list<QWidget*>{windows.ondrelForm.get(), windows.optionsForm, windows.convertForm,
                                                         windows.aboutForm, windows.alphaChanForm, windows.settingsForm,
                                                         windows.commentForm, windows.optimizeForm}) {
    dialog->show();
    QTabWidget* pages = qobject_cast<QDialog*>(dialog) ? dialog->findChild<QTabWidget*>() : nullptr;
    for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
      if (pages) pages->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (QWidget* control : dialog->findChildren<QWidget*>()) {
        if (!control->isVisible() ||
            !(qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control) ||
              qobject_cast<QGroupBox*>(control)))
          continue;
        EXPECT_GE(control->width(), control->minimumSizeHint().width())
            << dialog->objectName().toStdString() << "." << control->objectName().toStdString();
      }
    }
    dialog->hide();
  }
}

}  // namespace
