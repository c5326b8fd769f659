// The controllers bound to the program's real windows in English: every control they look up
// is there, and the main paths work through the forms' own widgets: Save as never replaces a
// file unasked, and a converter run ends with a summary that tells failures from success.
#include "install_dialogs.hpp"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include "UnitBLPImageUtils.hpp"
#include "dialog_test_support.hpp"
#include "converter_summary.hpp"
#include "language_loader.hpp"
#include "message_format.hpp"
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

  // Save as with the typed name and format, through the form's own OK.
  void SaveAs(const QString& typed, int format) {
    auto& ui = windows.optionsForm->ui;
    controllers->options->setSaveMode(true);
    windows.optionsForm->show();
    ui.boxFileExt->setCurrentIndex(format);
    ui.edFileName->setText(typed);
    ui.btnOK->click();
  }
  // Converts every PNG of `src` into `dest` as BMP, without the folder structure.
  void ConvertPngs(const QString& src, const QString& dest, bool subfolders) {
    auto& c = windows.convertForm->ui;
    for (QCheckBox* box : {c.chkFormatBMP, c.chkFormatTGA, c.chkFormatBLP, c.chkFormatJPG, c.chkFormatDDS})
      box->setChecked(false);
    c.chkFormatPNG->setChecked(true);
    c.chkSubfolders->setChecked(subfolders);
    c.chkFolderStruct->setChecked(false);
    c.edSourceFolder->setText(src);
    c.edDestFolder->setText(dest);
    c.boxFormatDest->setCurrentIndex(0);  // BMP
    c.btnConvert->click();
  }
  QString Named(NamedMessage key) const { return LanguageTexts().NAMED[std::size_t(key)]; }
};

constexpr int kTga = 3, kJpg = 5;

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

TEST_F(RealForms, SaveAsOntoAnExistingFileAsksAndKeepsItOnNo) {
  const QString other = dir.filePath("other.tga");
  WriteFile(other, "another image's file");
  SaveAs(dir.filePath("other"), kTga);  // the typed name plus the appended extension
  ASSERT_EQ(prompts->replaceQuestions.size(), 1u);
  EXPECT_EQ(prompts->replaceQuestions[0], FormatMessage(Named(NamedMessage::ReplaceFile), {other}));
  EXPECT_EQ(ReadFile(other), "another image's file");
  EXPECT_TRUE(windows.optionsForm->isVisible());  // still open, to choose another name

  prompts->answerReplace = true;
  windows.optionsForm->ui.btnOK->click();
  EXPECT_EQ(prompts->replaceQuestions.size(), 2u);
  TBitmap back;
  OpenImage(other, back, {}, {});
  EXPECT_EQ(back.width(), image.width());
  EXPECT_FALSE(windows.optionsForm->isVisible());

  // A new file is written without a question.
  SaveAs(dir.filePath("fresh"), kTga);
  EXPECT_EQ(prompts->replaceQuestions.size(), 2u);
  EXPECT_TRUE(QFile::exists(dir.filePath("fresh.tga")));
}

TEST_F(RealForms, SaveAsAsksAgainOnlyWhenTheBrowseDialogAskedAboutAnotherFile) {
  auto& ui = windows.optionsForm->ui;
  WriteFile(dir.filePath("photo.png"), "old png");
  WriteFile(dir.filePath("photo.jpg"), "old jpg");
  controllers->options->setSaveMode(true);
  windows.optionsForm->show();
  // The dialog asked about photo.png and was told to replace it: OK does not ask again.
  prompts->saveChoice = DialogPrompts::SaveChoice{dir.filePath("photo.png"), 1, true};
  ui.btnBrowse->click();
  ui.btnOK->click();
  EXPECT_TRUE(prompts->replaceQuestions.isEmpty());
  EXPECT_NE(ReadFile(dir.filePath("photo.png")), "old png");

  // It asked about photo.jpeg; the format's extension makes that photo.jpg, another file.
  windows.optionsForm->show();
  prompts->saveChoice = DialogPrompts::SaveChoice{dir.filePath("photo.jpeg"), 1, true};
  ui.btnBrowse->click();
  EXPECT_EQ(ui.boxFileExt->currentIndex(), kJpg);
  ui.btnOK->click();
  ASSERT_EQ(prompts->replaceQuestions.size(), 1u);
  EXPECT_TRUE(prompts->replaceQuestions[0].contains(dir.filePath("photo.jpg")));
  EXPECT_EQ(ReadFile(dir.filePath("photo.jpg")), "old jpg");
  ui.btnCancel->click();
}

TEST_F(RealForms, SaveAsPutsABareNameBesideTheOpenImage) {
  QDir().mkpath(dir.filePath("images"));
  QDir().mkpath(dir.filePath("elsewhere"));
  currentFile = dir.filePath("images/open.png");
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.filePath("elsewhere"));
  SaveAs("bare", kTga);
  SaveAs("sub.d/../second.tga", kTga);  // a relative path too, and no second ".tga"
  QDir::setCurrent(previous);
  EXPECT_TRUE(QFile::exists(dir.filePath("images/bare.tga")));
  EXPECT_TRUE(QFile::exists(dir.filePath("images/second.tga")));
  EXPECT_EQ(QDir(dir.filePath("elsewhere")).entryList(QDir::Files), QStringList());
  EXPECT_EQ(controllers->options->lastSavedFile(), dir.filePath("images/second.tga"));
}

TEST_F(RealForms, ConverterSummaryGivesCountsFailuresWithReasonsAndTargetsWrittenTwice) {
  const QString src = dir.filePath("src") + '/', out = dir.filePath("out") + '/';
  QDir().mkpath(src + "sub");
  QDir().mkpath(out + "b.bmp");  // a folder where b.png's target should go
  const FileFormatOptions options = DesignedFileFormatOptions();
  SavePngImage(src + "a.png", PhotoBitmap(16, 16, false, 1), options);
  SavePngImage(src + "b.png", PhotoBitmap(16, 16, false, 2), options);
  SavePngImage(src + "sub/a.png", PhotoBitmap(8, 8, false, 3), options);
  ConvertPngs(src, out, true);

  ASSERT_EQ(prompts->reports.size(), 1u);
  const auto& report = prompts->reports[0];
  const QStringList lines = report.text.split('\n');
  SCOPED_TRACE(report.text.toStdString());
  EXPECT_EQ(lines[0], FormatMessage(Named(NamedMessage::ConvertCounts), {std::int64_t(3), std::int64_t(2), std::int64_t(1)}));
  EXPECT_EQ(lines[0], "Files: 3. Converted: 2. Failed: 1.");
  const int failedAt = int(lines.indexOf(Named(NamedMessage::ConvertFailedList)));
  ASSERT_GT(failedAt, 0);
  EXPECT_TRUE(lines[failedAt + 1].startsWith("b.png: ")) << lines[failedAt + 1].toStdString();
  EXPECT_GT(lines[failedAt + 1].size(), QString("b.png: ").size());  // the reason
  const int twiceAt = int(lines.indexOf(Named(NamedMessage::ConvertWrittenTwice)));
  ASSERT_GT(twiceAt, failedAt);
  EXPECT_EQ(lines[twiceAt + 1], "a.bmp: a.png, sub/a.png");
  EXPECT_EQ(report.caption, LanguageTexts().MSGTYPES[2]);
  EXPECT_EQ(report.icon, DialogPrompts::Icon::Warning);
  EXPECT_TRUE(report.details.isEmpty());  // nothing left out
  // The later file is the one kept.
  TBitmap kept;
  OpenImage(out + "a.bmp", kept, {}, {});
  EXPECT_EQ(kept.width(), 8);

  // A run without trouble says so, as information.
  ConvertPngs(src + "sub/", dir.filePath("clean"), false);
  ASSERT_EQ(prompts->reports.size(), 2u);
  EXPECT_EQ(prompts->reports[1].text, "Files: 1. Converted: 1. Failed: 0.");
  EXPECT_EQ(prompts->reports[1].icon, DialogPrompts::Icon::Information);
}

// A small file system that fills up during the run: the summary says how many were written and
// that the rest found no space. Needs a tmpfs mount, so root; a read-only folder stands in else.
TEST_F(RealForms, ConverterIntoAFullDeviceReportsEveryFailedFile) {
  const QString src = dir.filePath("src") + '/', out = dir.filePath("small") + '/';
  QDir().mkpath(src);
  QDir().mkpath(out);
  constexpr int kFiles = 30;  // 30 BMPs of 192 KiB each into 1 MiB
  for (int i = 0; i < kFiles; ++i)
    SavePngImage(src + QString("p%1.png").arg(i, 2, 10, QChar('0')), PhotoBitmap(256, 256, false, i),
                 DesignedFileFormatOptions());
  bool mounted = false;
  QString expectedReason;
  if (::geteuid() == 0 && ::mount("tmpfs", out.toLocal8Bit().constData(), "tmpfs", 0, "size=1m") == 0) {
    mounted = true;
    expectedReason = "no space left on the device";
  } else if (::geteuid() != 0) {
    QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    expectedReason = "permission denied";
  } else {
    GTEST_SKIP() << "root, but no tmpfs could be mounted (and a read-only folder does not stop root)";
  }
  ConvertPngs(src, out, false);
  const int written = int(QDir(out).entryList(QDir::Files).size());
  if (mounted) ::umount(out.toLocal8Bit().constData());
  QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

  ASSERT_EQ(prompts->reports.size(), 1u);
  const auto& report = prompts->reports[0];
  SCOPED_TRACE(report.text.toStdString());
  EXPECT_LT(written, kFiles);
  const QStringList lines = report.text.split('\n');
  EXPECT_EQ(lines[0], QString("Files: %1. Converted: %2. Failed: %3.").arg(kFiles).arg(written).arg(kFiles - written));
  EXPECT_TRUE(lines.contains(Named(NamedMessage::ConvertFailedList)));
  // Five failures in the box, each with its reason; all of them in the details.
  int withReason = 0;
  for (const QString& line : lines) withReason += line.startsWith('p') && line.contains(expectedReason);
  EXPECT_EQ(withReason, std::min(kFiles - written, kSummaryLinesShown));
  EXPECT_TRUE(report.text.contains(FormatMessage(Named(NamedMessage::ConvertMoreLines),
                                                 {std::int64_t(kFiles - written - kSummaryLinesShown)})));
  EXPECT_EQ(int(report.details.count(expectedReason)), kFiles - written);
  EXPECT_EQ(windows.convertForm->ui.Progress1->value(), kFiles);
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
