// The batch engine without the executable: target names, the plan's refusals (a second source
// of a target, a target that is its own source, the output folder inside a source tree), and
// the runner's promise to report in list order whatever order the workers finish in.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "conversion_plan.hpp"
#include "ordered_runner.hpp"

using namespace ondrel::batch;

namespace {

TEST(TargetName, KeepsOrFlattensTheStructureAndReplacesTheWholeExtension) {
  struct Case {
    SourceFile source;
    bool keep;
    TargetFormat format;
    const char* expected;
  };
  const Case cases[] = {
      {{"src/sub/x.tga", "src/"}, true, TargetFormat::Png, "dst/sub/x.png"},
      {{"src/sub/x.tga", "src/"}, false, TargetFormat::Png, "dst/x.png"},
      {{"src/a.jpeg", "src/"}, false, TargetFormat::Blp1, "dst/a.blp"},
      {{"src/a.b.PNG", "src/"}, true, TargetFormat::Dds, "dst/a.b.dds"},
      {{"src/v1.0/pic.bmp", "src/"}, true, TargetFormat::Jpg, "dst/v1.0/pic.jpg"},
      {SingleSourceFile("lone.tga"), true, TargetFormat::Tga, "dst/lone.tga"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TargetName(c.source, "dst", c.keep, c.format), c.expected) << c.source.path.toStdString();
}

TEST(PlanConversion, RefusesTheSecondSourceOfATargetAndDropsRepeats) {
  const std::vector<SourceFile> sources = {
      {"src/x/a.png", "src/"}, {"src/y/a.tga", "src/"}, {"src/x/a.png", "src/"}, {"src/x/b.png", "src/"}};
  const auto flat = PlanConversion(sources, "dst/", false, TargetFormat::Blp2);
  ASSERT_EQ(flat.size(), 3u);
  EXPECT_TRUE(flat[0].refusal.isEmpty());
  EXPECT_EQ(flat[1].refusal, "its target dst/a.blp is already written from src/x/a.png");
  EXPECT_TRUE(flat[2].refusal.isEmpty());
  EXPECT_EQ(flat[2].source, "src/x/b.png");

  const auto kept = PlanConversion(sources, "dst/", true, TargetFormat::Blp2);
  ASSERT_EQ(kept.size(), 3u);
  for (const ConversionJob& job : kept) EXPECT_TRUE(job.refusal.isEmpty());
}

// Scratch files on disk, for the rules that compare files by device and inode.
class PlanOnDisk : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.path() + '/' + name; }
  void Make(const QString& name) {
    QDir().mkpath(QFileInfo(path(name)).path());
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
  }
  void Link(const QString& target, const QString& name) {
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(name)).constData()), 0);
  }
  QStringList Refused(const std::vector<ConversionJob>& jobs) const {
    QStringList out;
    for (const ConversionJob& job : jobs)
      out << QString(job.source).remove(dir.path() + '/') + (job.refusal.isEmpty() ? "" : ": " + job.refusal);
    return out;
  }
};

TEST_F(PlanOnDisk, ATargetThatIsItsOwnSourceIsRefusedAndClaimsNothing) {
  for (const char* name : {"s/a.blp", "s/a.png", "s/b.blp", "s/sub/c.blp"}) Make(name);
  Link("b.blp", "s/link.blp");
  // Every target in s/ is a source there: a.blp, b.blp and c.blp (kept structure) would be
  // re-encoded over themselves, and the link is b.blp by another name. a.png may write a.blp.
  const std::vector<SourceFile> sources = ListSourceFiles(path("s"), {".blp", ".png"}, true);
  const QString self = ": " + TargetIsSourceRefusal();
  EXPECT_EQ(Refused(PlanConversion(sources, path("s"), true, TargetFormat::Blp1)),
            (QStringList{"s/a.blp" + self, "s/b.blp" + self, "s/link.blp" + self, "s/sub/c.blp" + self, "s/a.png"}));

  EXPECT_EQ(PlanSingleConversion(path("s/a.blp"), path("s/./a.blp")).refusal, TargetIsSourceRefusal());
  EXPECT_EQ(PlanSingleConversion(path("s/link.blp"), path("s/b.blp")).refusal, TargetIsSourceRefusal());
  EXPECT_TRUE(PlanSingleConversion(path("s/a.png"), path("s/a.blp")).refusal.isEmpty());
  EXPECT_TRUE(PlanSingleConversion(path("s/a.png"), path("s/new.blp")).refusal.isEmpty());
}

TEST_F(PlanOnDisk, AnOutputFolderInsideTheSourceTreeIsNoInput) {
  for (const char* name : {"s/a.png", "s/build/a.blp", "s/build/deeper/b.blp", "s/other/c.blp", "s/build2/d.blp"})
    Make(name);
  Link(path("s/build"), "out");
  struct Case {
    const char* what;
    QString output;
    QStringList expected;
  };
  const Case cases[] = {
      {"inside", path("s/build"), {"s/build2/d.blp", "s/other/c.blp", "s/a.png"}},
      {"through a link", path("out/"), {"s/build2/d.blp", "s/other/c.blp", "s/a.png"}},
      {"the source itself", path("s"),
       {"s/build/a.blp", "s/build/deeper/b.blp", "s/build2/d.blp", "s/other/c.blp", "s/a.png"}},
      {"not made yet", path("s/new"),
       {"s/build/a.blp", "s/build/deeper/b.blp", "s/build2/d.blp", "s/other/c.blp", "s/a.png"}},
  };
  const std::vector<SourceFile> sources = ListSourceFiles(path("s"), {".blp", ".png"}, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QStringList kept;
    for (const SourceFile& f : WithoutOutputFolder(sources, c.output)) kept << QString(f.path).remove(dir.path() + '/');
    EXPECT_EQ(kept, c.expected);
  }
  // The plan leaves them out too: a second run does not re-encode its own output.
  EXPECT_EQ(Refused(PlanConversion(sources, path("s/build"), false, TargetFormat::Blp2)),
            (QStringList{"s/build2/d.blp", "s/other/c.blp", "s/a.png"}));
}

TEST(SourceExtensions, JpgTakesBothSpellings) {
  EXPECT_EQ(SourceExtensionsFor("JPG"), (QStringList{".jpg", ".jpeg"}));
  EXPECT_EQ(SourceExtensionsFor("dds"), QStringList{".dds"});
  EXPECT_TRUE(SourceExtensionsFor("gif").isEmpty());
}

// Items finish out of order (later items are quicker); reports must still come in order.
TEST(RunInListOrder, ReportsInListOrderWhateverTheFinishingOrder) {
  for (int jobs : {1, 2, 4}) {
    const std::size_t n = 40;
    std::vector<int> results(n, -1);
    std::vector<std::size_t> reported, started;
    RunCallbacks cb;
    cb.work = [&](std::size_t i) {
      std::this_thread::sleep_for(std::chrono::microseconds((n - i) * 50 * (i % 3)));
      results[i] = int(i * i);
    };
    cb.started = [&](std::size_t i) { started.push_back(i); };
    cb.finished = [&](std::size_t i) {
      EXPECT_EQ(results[i], int(i * i));  // the worker's result is visible here
      reported.push_back(i);
    };
    EXPECT_EQ(RunInListOrder(n, jobs, cb), n);
    std::vector<std::size_t> expected(n);
    for (std::size_t i = 0; i < n; ++i) expected[i] = i;
    EXPECT_EQ(reported, expected) << jobs << " jobs";
    EXPECT_EQ(started, expected) << jobs << " jobs";
  }
}

// Two items that each wait for the other to arrive can only both finish on two threads.
TEST(RunInListOrder, TwoJobsWorkAtTheSameTime) {
  std::atomic<int> arrived{0};
  std::atomic<int> met{0};
  RunCallbacks cb;
  cb.work = [&](std::size_t) {
    ++arrived;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (arrived < 2 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (arrived >= 2) ++met;
  };
  EXPECT_EQ(RunInListOrder(2, 2, cb), 2u);
  EXPECT_EQ(met.load(), 2);
}

TEST(RunInListOrder, AWorkErrorLeavesAtItsTurnAfterTheItemsBeforeIt) {
  std::vector<std::size_t> reported;
  RunCallbacks cb;
  cb.work = [](std::size_t i) {
    if (i == 5) throw std::runtime_error("item 5");
  };
  cb.finished = [&](std::size_t i) { reported.push_back(i); };
  EXPECT_THROW(RunInListOrder(20, 2, cb), std::runtime_error);
  EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

TEST(RunInListOrder, StopFinishesWhatWasStartedAndNothingMore) {
  std::atomic<bool> stop{false};
  std::mutex m;
  std::vector<std::size_t> worked;
  RunCallbacks cb;
  cb.work = [&](std::size_t i) {
    if (i == 3) stop = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::lock_guard lock(m);
    worked.push_back(i);
  };
  std::vector<std::size_t> reported;
  cb.finished = [&](std::size_t i) { reported.push_back(i); };
  const std::size_t count = RunInListOrder(100, 2, cb, &stop);
  EXPECT_LT(count, 10u);
  EXPECT_EQ(reported.size(), count);
  EXPECT_EQ(worked.size(), count) << "every item started was finished and reported";
}

}  // namespace
