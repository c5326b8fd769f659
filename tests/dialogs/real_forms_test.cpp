// The controllers bound to the program's real windows in English: every control they look up
// is there, and the main paths work through the forms' own widgets.
#include "install_dialogs.hpp"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "UnitBLPImageUtils.hpp"
#include "dialog_test_support.hpp"
#include "language_loader.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

namespace {

// Counts the warnings of missing controls while the windows are bound.
int missingControls = 0;
void CountMissing(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg && text.contains("not found")) ++missingControls;
}

class RealForms : public ::testing::Test {
 protected:
  void SetUp() override {
    windows = CreateWindows();
    windows.settingsForm->ui.boxLanguage->addItem("English.lng");
    windows.settingsForm->ui.boxLanguage->setCurrentIndex(0);
    LoadLanguage(windows, ONDREL_SOURCE_DIR "/lang/", false);
    QDir().mkpath(dir.filePath("bin"));
    DialogServices services;
    services.place.programFolder = dir.filePath("bin") + '/';
    services.place.settingsFile = services.place.programFolder + "ondrel.ini";
    services.place.xdg = {dir.filePath("data"), dir.filePath("config")};
    services.settings = &settings;
    services.currentImage = [this]() -> std::optional<std::pair<TBitmap, bool>> { return std::pair{image, true}; };
    services.currentFile = [this] { return currentFile; };
    services.prompts = prompts = std::make_shared<RecordingPrompts>();
    missingControls = 0;
    const auto previous = qInstallMessageHandler(CountMissing);
    controllers = InstallDialogs(windows, services);
    qInstallMessageHandler(previous);
  }
  void TearDown() override {
    controllers.reset();
    windows.ondrelForm.reset();
  }

  QTemporaryDir dir;
  OndrelWindows windows;
  OndrelSettings settings;
  TBitmap image = PhotoBitmap(64, 32, true);
  QString currentFile;
  std::shared_ptr<RecordingPrompts> prompts;
  std::unique_ptr<DialogControllers> controllers;
};

}  // namespace

TEST_F(RealForms, EveryControlTheControllersUseIsThere) { EXPECT_EQ(missingControls, 0); }

TEST_F(RealForms, SaveAsAndFormatOptions) {
  auto& ui = windows.optionsForm->ui;
  controllers->options->setSaveMode(true);
  windows.optionsForm->show();
  EXPECT_EQ(windows.optionsForm->windowTitle(), LanguageTexts().Title1);
  EXPECT_FALSE(ui.PageControl1->tabBar()->isVisible());
  ui.boxFileExt->setCurrentIndex(3);  // TGA
  ui.rbxTGA_Paletted->setChecked(true);
  EXPECT_TRUE(ui.edTGA_Colors->isEnabled());
  ui.edFileName->setText(dir.filePath("shot"));
  ui.btnOK->click();
  EXPECT_TRUE(QFile::exists(dir.filePath("shot.tga")));
  EXPECT_EQ(settings.formatOptions.tga.TgaPaletted, 1);
  EXPECT_TRUE(QFile::exists(dir.filePath("bin/ondrel.ini")));  // the save options written

  controllers->options->setSaveMode(false);
  windows.optionsForm->show();
  EXPECT_EQ(windows.optionsForm->windowTitle(), LanguageTexts().Title0);
  EXPECT_TRUE(ui.PageControl1->tabBar()->isVisible());
  EXPECT_FALSE(ui.Panel1->isVisible());
  ui.btnCancel->click();
}

TEST_F(RealForms, ConverterAndOptimizerRun) {
  const QString src = dir.filePath("src") + '/';
  QDir().mkpath(src);
  SavePngImage(src + "a.png", image, DesignedFileFormatOptions());
  auto& c = windows.convertForm->ui;
  for (QCheckBox* box : {c.chkFormatBMP, c.chkFormatTGA, c.chkFormatBLP, c.chkFormatJPG, c.chkFormatDDS})
    box->setChecked(false);
  c.chkFormatPNG->setChecked(true);
  c.edSourceFolder->setText(src);
  c.edDestFolder->setText(dir.filePath("out"));
  c.boxFormatDest->setCurrentIndex(2);  // BLP1
  c.btnConvert->click();
  EXPECT_TRUE(QFile::exists(dir.filePath("out/a.blp")));
  EXPECT_EQ(c.Progress1->value(), 1);

  auto& o = windows.optimizeForm->ui;
  o.edSourceFolder->setText(dir.filePath("out"));
  o.btnOptimize->click();
  const QStringList log = o.memLog->toPlainText().split('\n');
  ASSERT_EQ(log.size(), 3);
  EXPECT_TRUE(log[0].startsWith("a.blp")) << log[0].toStdString();
  EXPECT_EQ(log[1], "");
}

TEST_F(RealForms, CommentEditorAndAbout) {
  currentFile = dir.filePath("c.blp");
  SaveBlpImage(currentFile, image, 0, DesignedFileFormatOptions(), true);
  auto& ui = windows.commentForm->ui;
  windows.commentForm->show();
  EXPECT_EQ(ui.lblSymCount->text(), "0 / 68");  // 64 x 32: 124 - 8 x 7
  ui.memComment->setPlainText("made by hand");
  ui.btnOK->click();
  EXPECT_EQ(CommentSession(currentFile).text(), "made by hand");

  windows.aboutForm->show();
  EXPECT_TRUE(windows.aboutForm->ui.lblLink0->isVisible());
  EXPECT_TRUE(windows.aboutForm->ui.lblLibraryVersion->text().contains(QRegularExpression(" \\d+\\.\\d+\\.\\d+\\.\\d+$")));
  windows.aboutForm->close();
}
