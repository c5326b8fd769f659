// The mass optimizer: BLP1 JPEG, BLP1 paletted and BLP2 files rewritten or left, the log line
// by line with the summary, errors swallowed per file, and the window's input messages.
#include "batch_form_controllers.hpp"
#include "optimizer_run.hpp"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "UnitBLPImageUtils.hpp"
#include "dialog_test_support.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

namespace {

class OptimizeForm : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    AddNamed<QCheckBox>(form.get(), {"chkSubfolders"});
    AddNamed<QLineEdit>(form.get(), {"edSourceFolder"});
    AddNamed<QPlainTextEdit>(form.get(), {"memLog"});
    AddNamed<QProgressBar>(form.get(), {"Progress1"});
    AddNamed<QPushButton>(form.get(), {"btnOptimize", "btnBrowse"});
    prompts = std::make_shared<RecordingPrompts>();
    OptimizeFormContext context;
    context.texts = NamedTexts();
    context.prompts = prompts;
    controller = new OptimizeFormController(form.get(), context);
  }
  void TearDown() override { form.reset(); }
  QStringList Log() const { return form->findChild<QPlainTextEdit*>("memLog")->toPlainText().split('\n'); }

  std::unique_ptr<QWidget> form;
  std::shared_ptr<RecordingPrompts> prompts;
  OptimizeFormController* controller = nullptr;
};

qint64 SizeOf(const QString& path) { return QFileInfo(path).size(); }

}  // namespace

TEST_F(OptimizeForm, LogsEveryFileAndTheSummary) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  QDir().mkpath(folder + "sub");
  // A BLP1 JPEG file with a gap and unmerged headers: the optimizer shares the header.
  Blp1JpegLayout layout;
  layout.gap = 40;
  WriteFile(folder + "a_jpeg.blp", MakeBlp1Jpeg(layout));
  // A paletted BLP1 with the whole palette written although few colours are used.
  FileFormatOptions options = DesignedFileFormatOptions();
  options.blp1.Blp1Paletted = 1;
  options.blp1.Blp1CompressPalette = 0;
  options.blp1.Blp1ErrorDiffusion = 0;
  SaveBlpImage(folder + "sub/b_pal.BLP", PhotoBitmap(64, 64, false), 0, options, false);
  // BLP2 files are not BLP1: left as they are.
  SaveBlpImage(folder + "c_blp2.blp", PhotoBitmap(16, 16, true), 1, DesignedFileFormatOptions(), true);
  // Too short to classify: the error is swallowed.
  WriteFile(folder + "d_short.blp", "BLP1");

  const QByteArray blp2Before = ReadFile(folder + "c_blp2.blp");
  const qint64 jpegBefore = SizeOf(folder + "a_jpeg.blp"), palBefore = SizeOf(folder + "sub/b_pal.BLP");
  form->findChild<QCheckBox*>("chkSubfolders")->setChecked(true);
  form->findChild<QLineEdit*>("edSourceFolder")->setText(dir.path());
  form->findChild<QPlainTextEdit*>("memLog")->setPlainText("an earlier run");
  controller->btnOptimizeClick();

  EXPECT_TRUE(prompts->messages.empty());
  const qint64 jpegSaved = jpegBefore - SizeOf(folder + "a_jpeg.blp");
  const qint64 palSaved = palBefore - SizeOf(folder + "sub/b_pal.BLP");
  ASSERT_GT(jpegSaved, 0);
  ASSERT_GT(palSaved, 0);
  EXPECT_EQ(ReadFile(folder + "c_blp2.blp"), blp2Before);

  QStringList log = Log();
  ASSERT_EQ(log.size(), 6) << log.join('|').toStdString();
  const QString summary = QString("2 files optimized, %1 bytes saved in all").arg(jpegSaved + palSaved);
  EXPECT_EQ(log[4], "");
  EXPECT_EQ(log[5], summary);
  log = log.mid(0, 4);
  log.sort();
  // A file the step refuses is left as it was too, but the log says why, not "nothing to save".
  EXPECT_EQ(log, (QStringList{"OptimizeRefused d_short.blp: the file is too short: " + folder + "d_short.blp",
                              QString("a_jpeg.blp: optimized, %1 bytes saved").arg(jpegSaved),
                              QString("b_pal.BLP: optimized, %1 bytes saved").arg(palSaved),
                              "c_blp2.blp: left as it was"}));
  auto* progress = form->findChild<QProgressBar*>("Progress1");
  EXPECT_EQ(progress->value(), progress->maximum());

  // A second run finds nothing more to gain.
  controller->btnOptimizeClick();
  EXPECT_EQ(Log().last(), "0 files optimized, 0 bytes saved in all");
}

TEST_F(OptimizeForm, InputMessages) {
  QTemporaryDir dir;
  controller->btnOptimizeClick();
  form->findChild<QLineEdit*>("edSourceFolder")->setText(dir.path() + "/missing");
  controller->btnOptimizeClick();
  form->findChild<QLineEdit*>("edSourceFolder")->setText(dir.path());
  controller->btnOptimizeClick();
  ASSERT_EQ(prompts->messages.size(), 3u);
  EXPECT_EQ(prompts->messages[0].text, "M2");
  EXPECT_EQ(prompts->messages[1].text, "M10");
  EXPECT_EQ(prompts->messages[2].text, "M16");
  EXPECT_EQ(form->findChild<QLineEdit*>("edSourceFolder")->text(), dir.path() + "/");
}

TEST(OptimizerRun, ErrorsAreSwallowedAndStopEndsTheRunWithItsSummary) {
  const QStringList files = {"/f/a.blp", "/f/b.blp", "/f/c.blp", "/f/d.blp"};
  std::atomic<bool> stop{false};
  QStringList log;
  OptimizerTexts texts;
  texts.optimized = [](const QString& name, std::int64_t saved) { return QString("%1 +%2").arg(name).arg(saved); };
  texts.unchanged = [](const QString& name) { return name + " ="; };
  texts.summary = [](int files, std::int64_t total) { return QString("%1 files %2").arg(files).arg(total); };
  OptimizerRunHooks hooks;
  hooks.addLog = [&](const QString& entry) { log << entry; };
  hooks.progress = [&](int done) { stop = done == 3; };
  const auto step = [](const QString& file) -> std::int64_t {
    if (file.endsWith("b.blp")) throw std::runtime_error("cannot replace the file");
    return file.endsWith("a.blp") ? 100 : -4;
  };
  const auto result = RunOptimizer(files, step, texts, hooks, stop);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(log, (QStringList{"a.blp +100", "b.blp =", "c.blp =", "\n1 files 100"}));
}
