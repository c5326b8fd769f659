// The mass converter: its input checks and their order, the file list and target names, a run
// over a tree of every source format into every destination format with a broken file in the
// middle, the worker-thread run against the one-thread run, and Stop.
#include "batch_form_controllers.hpp"
#include "converter_plan.hpp"
#include "converter_run.hpp"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "UnitBLPImageUtils.hpp"
#include "convert_form_fixture.hpp"
#include "dialog_test_support.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

namespace {

const std::atomic<bool> noStop{false};

constexpr std::array<bool, 6> kAllFormats = {true, true, true, true, true, true};

// src/ holds one file of each source format (capital extensions among them), a broken PNG
// between them, and sub/ a second TGA. Returns the source folder, ending in "/".
QString MakeSourceTree(const QTemporaryDir& dir) {
  const QString src = dir.path() + "/src/";
  QDir().mkpath(src + "sub");
  const FileFormatOptions options = DesignedFileFormatOptions();
  const TBitmap picture = PhotoBitmap(32, 16, true);
  const TBitmap opaque = PhotoBitmap(16, 16, false, 2);
  SaveBmpImage(src + "a.bmp", opaque);
  SaveTgaImage(src + "b.TGA", picture, options);
  SaveBlpImage(src + "c.blp", picture, 0, options, true);
  SaveJpegImage(src + "d.jpg", opaque, options);
  SaveJpegImage(src + "e.JPEG", opaque, options);
  SavePngImage(src + "f.png", picture, options);
  WriteFile(src + "f2.png", QByteArray("\x89PNG\r\n\x1a\n this is no picture", 27));
  SavePngImage(src + "f3.png", opaque, options);
  SaveDdsImage(src + "g.dds", picture, options);
  SaveTgaImage(src + "sub/h.tga", opaque, options);
  return src;
}

std::vector<ConverterJob> Jobs(const ConverterRequest& request) {
  std::vector<ConverterJob> jobs;
  for (const QString& file : ConverterFileList(request))
    jobs.push_back({file, ConverterTargetName(file, request.sourceFolder, request.destFolder, request.folderStruct,
                                              request.destFormat)});
  return jobs;
}

struct RunRecord {
  QStringList loadErrors;
  std::vector<int> progress;
};

ConverterRunResult RunJobs(const std::vector<ConverterJob>& jobs, const ConversionSettings& settings, int threads,
                       RunRecord& record, const std::atomic<bool>& stop) {
  ConverterRunHooks hooks;
  hooks.showLoadError = [&](const QString& name, const QString&) { record.loadErrors << name; };
  hooks.progress = [&](int done) { record.progress.push_back(done); };
  return RunConversion(jobs, BatchEngineConversion(settings), hooks, stop, threads);
}

}  // namespace

TEST(ConverterPlan, InputChecksInTheirOrder) {
  QTemporaryDir dir;
  ConverterRequest r;
  EXPECT_EQ(CheckConverterInput(r).message, 1);
  r.sourceFormats[3] = true;
  EXPECT_EQ(CheckConverterInput(r).message, 2);
  r.sourceFolder = dir.path() + "/missing/";
  EXPECT_EQ(CheckConverterInput(r).message, 3);
  r.destFolder = dir.path() + "/out";
  EXPECT_EQ(CheckConverterInput(r).message, 10);
  r.sourceFolder = dir.path();
  EXPECT_EQ(CheckConverterInput(r).message, -1);
  EXPECT_TRUE(CheckConverterInput(r).destinationMissing);
  r.destFolder = dir.path();
  EXPECT_FALSE(CheckConverterInput(r).destinationMissing);
}

TEST(ConverterPlan, FileListIsGroupedByExtensionJpgBeforeJpeg) {
  QTemporaryDir dir;
  ConverterRequest r;
  r.sourceFormats = kAllFormats;
  r.sourceFolder = MakeSourceTree(dir);
  r.subfolders = true;
  QStringList names;
  for (const QString& file : ConverterFileList(r)) names << file.mid(r.sourceFolder.size());
  // Grouped by extension in the boxes' order; within a group the folder scan's order.
  ASSERT_EQ(names.size(), 10);
  EXPECT_EQ(names[0], "a.bmp");
  EXPECT_TRUE(names.indexOf("sub/h.tga") > names.indexOf("a.bmp") && names.indexOf("sub/h.tga") < names.indexOf("c.blp"));
  EXPECT_LT(names.indexOf("d.jpg"), names.indexOf("e.JPEG"));
  EXPECT_LT(names.indexOf("e.JPEG"), names.indexOf("f.png"));
  EXPECT_EQ(names.last(), "g.dds");
  r.subfolders = false;
  EXPECT_FALSE(ConverterFileList(r).contains(r.sourceFolder + "sub/h.tga"));
}

TEST(ConverterPlan, TargetNames) {
  EXPECT_EQ(ConverterTargetName("/s/sub/x.tga", "/s/", "/d/", true, 2), "/d/sub/x.blp");
  EXPECT_EQ(ConverterTargetName("/s/sub/x.tga", "/s/", "/d/", false, 6), "/d/x.dds");
  EXPECT_EQ(ConverterTargetName("/s/a.jpeg", "/s/", "/d/", true, 3), "/d/a.blp");
  EXPECT_EQ(ConverterTargetName("/s/my.dir/noext", "/s/", "/d/", true, 0), "/d/my.dir/noext.bmp");
  // A long relative path is kept whole.
  const QString deep = QString("/s/") + QString(300, 'x') + "/y.png";
  EXPECT_EQ(ConverterTargetName(deep, "/s/", "/d/", true, 5), QString("/d/") + QString(300, 'x') + "/y.png");
}

TEST(ConverterRun, EverySourceIntoEveryDestinationBrokenFileSkipped) {
  QTemporaryDir dir;
  const QString src = MakeSourceTree(dir);
  for (int dest = 0; dest < 7; ++dest) {
    for (bool structure : {true, false}) {
      ConverterRequest r;
      r.sourceFormats = kAllFormats;
      r.sourceFolder = src;
      r.destFolder = dir.path() + QString("/out%1%2/").arg(dest).arg(structure);
      QDir().mkpath(r.destFolder);
      r.subfolders = true;
      r.folderStruct = structure;
      r.destFormat = dest;
      ConversionSettings settings;
      settings.destFormat = dest;
      settings.folderStruct = structure;
      RunRecord record;
      const auto result = RunJobs(Jobs(r), settings, 1, record, noStop);
      SCOPED_TRACE(r.destFolder.toStdString());
      EXPECT_EQ(record.loadErrors, QStringList{"f2.png"});
      EXPECT_EQ(record.progress, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
      EXPECT_EQ(result.written, 9);
      const QString ext = DestinationExtension(dest);
      QStringList expected = {"a", "b", "c", "d", "e", "f", "f3", "g", structure ? "sub/h" : "h"};
      for (QString& name : expected) name += ext;
      expected.sort();
      EXPECT_EQ(FilesBelow(r.destFolder), expected);
      // Every written file loads again.
      for (const QString& name : expected) {
        TBitmap back;
        bool failed = false;
        OpenImage(r.destFolder + name, back, {}, [&](const QString&) { failed = true; });
        EXPECT_FALSE(failed || back.empty()) << name.toStdString();
      }
    }
  }
}

TEST(ConverterRun, WorkerThreadsGiveTheOneThreadBytesAndReports) {
  QTemporaryDir dir;
  ConverterRequest r;
  r.sourceFormats = kAllFormats;
  r.sourceFolder = MakeSourceTree(dir);
  // Two files of one name in different folders: without structure the later one wins.
  SaveBmpImage(r.sourceFolder + "sub/a.bmp", PhotoBitmap(8, 8, false, 9));
  r.subfolders = true;
  r.destFormat = 3;  // BLP2
  ConversionSettings settings;
  settings.destFormat = 3;
  std::map<int, std::map<QString, QByteArray>> outputs;
  std::map<int, RunRecord> records;
  for (int threads : {1, 4}) {
    r.destFolder = dir.path() + QString("/t%1/").arg(threads);
    QDir().mkpath(r.destFolder);
    RunJobs(Jobs(r), settings, threads, records[threads], noStop);
    for (const QString& name : FilesBelow(r.destFolder)) outputs[threads][name] = ReadFile(r.destFolder + name);
  }
  EXPECT_EQ(outputs[1], outputs[4]);
  EXPECT_EQ(records[1].loadErrors, records[4].loadErrors);
  EXPECT_EQ(records[1].progress, records[4].progress);
  // Of the two a.bmp (16 x 16 and sub/'s 8 x 8) the later in list order is the one kept.
  const QStringList list = ConverterFileList(r);
  const int laterWidth = list.indexOf(r.sourceFolder + "sub/a.bmp") > list.indexOf(r.sourceFolder + "a.bmp") ? 8 : 16;
  TBitmap kept;
  OpenImage(dir.path() + "/t4/a.blp", kept, {}, {});
  EXPECT_EQ(kept.width(), laterWidth);
}

TEST(ConverterRun, StopEndsTheRunBetweenTwoFiles) {
  std::vector<ConverterJob> jobs;
  for (int i = 0; i < 20; ++i) jobs.push_back({QString("/s/%1.bmp").arg(i), QString("/d/%1.tga").arg(i)});
  for (int threads : {1, 3}) {
    std::atomic<bool> stop{false};
    std::atomic<int> converted{0};
    ConverterRunHooks hooks;
    hooks.progress = [&](int done) {
      if (done == 5) stop = true;
    };
    const auto result = RunConversion(
        jobs, [&](const ConverterJob&) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
          ++converted;
          return FileOutcome::Written;
        }, hooks, stop, threads);
    EXPECT_TRUE(result.stopped);
    EXPECT_GE(result.reported, 5);
    EXPECT_LT(converted.load(), 20) << threads;
  }
}

// The window: messages in order, the destination made on Yes, the broken file's box, the
// button that stops while a run goes.
class ConvertForm : public ConvertFormFixture {};

TEST_F(ConvertForm, InputMessagesThenDestinationCreatedOnYes) {
  QTemporaryDir dir;
  controller->btnConvertClick();
  Check("chkFormatPNG");
  controller->btnConvertClick();
  Set("edSourceFolder", MakeSourceTree(dir));
  controller->btnConvertClick();
  ASSERT_EQ(prompts->messages.size(), 3u);
  EXPECT_EQ(prompts->messages[0].text, "M1");
  EXPECT_EQ(prompts->messages[1].text, "M2");
  EXPECT_EQ(prompts->messages[2].text, "M3");
  EXPECT_EQ(prompts->messages[2].caption, "T1");

  const QString dest = dir.path() + "/new/deeper";  // no trailing "/", two levels missing
  Set("edDestFolder", dest);
  prompts->answerYes = false;
  controller->btnConvertClick();
  EXPECT_EQ(prompts->questions, QStringList{"M11"});
  EXPECT_FALSE(QFileInfo::exists(dest));

  prompts->answerYes = true;
  prompts->messages.clear();
  form->findChild<QComboBox*>("boxFormatDest")->setCurrentIndex(1);  // TGA
  controller->btnConvertClick();
  EXPECT_EQ(form->findChild<QLineEdit*>("edDestFolder")->text(), dest + "/");
  EXPECT_EQ(FilesBelow(dest + "/"), (QStringList{"f.tga", "f3.tga"}));
  ASSERT_EQ(prompts->messages.size(), 1u);
  // Message 9, and why on a line of its own, as the main window's box.
  EXPECT_TRUE(prompts->messages[0].text.startsWith("f2.png: M9\nThe PNG file is")) << prompts->messages[0].text.toStdString();
  EXPECT_EQ(prompts->messages[0].caption, "T0");
  auto* progress = form->findChild<QProgressBar*>("Progress1");
  EXPECT_EQ(progress->maximum(), 3);
  EXPECT_EQ(progress->value(), 3);
}

TEST_F(ConvertForm, EmptyListAndAClickDuringARunStopsIt) {
  QTemporaryDir dir;
  const QString src = MakeSourceTree(dir);
  Set("edSourceFolder", src + "sub/");
  Set("edDestFolder", dir.path());
  Check("chkFormatDDS");
  controller->btnConvertClick();
  ASSERT_EQ(prompts->messages.size(), 1u);
  EXPECT_EQ(prompts->messages[0].text, "M4");

  // The broken file's box comes during the run; a click on Convert then stops, never nests.
  prompts->messages.clear();
  Set("edSourceFolder", src);
  Check("chkFormatPNG");
  Check("chkFormatBMP");
  Check("chkFormatTGA");
  auto* button = form->findChild<QPushButton*>("btnConvert");
  button->setText("Convert");
  QString captionDuringRun;
  prompts->onMessage = [&] {
    captionDuringRun = button->text();
    EXPECT_TRUE(controller->runState().running());
    button->click();
  };
  controller->btnConvertClick();
  EXPECT_EQ(captionDuringRun, "Stop");
  EXPECT_EQ(button->text(), "Convert");
  EXPECT_FALSE(controller->runState().running());
  EXPECT_TRUE(controller->lastRun().stopped);
  EXPECT_EQ(prompts->messages.size(), 1u);  // only the one box: no nested run
  // The summary says the run was stopped, and how far it came.
  ASSERT_EQ(prompts->reports.size(), 1u);
  const auto& run = controller->lastRun();
  EXPECT_EQ(prompts->reports[0].text.split('\n').first(),
            QString("ConvertStopped %1/%2/%3/%4").arg(run.reported).arg(ConverterFileList(controller->readRequest()).size())
                .arg(run.written).arg(run.reported - run.written));
  EXPECT_EQ(prompts->reports[0].caption, "T2");
}
