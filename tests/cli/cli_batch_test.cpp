// Whole trees: two worker threads write the same bytes and the same report as one; targets
// keep or flatten the folder structure, and a second source of one target is refused; the
// optimizer shrinks BLP1 files in place without changing their pictures. Rewrites keep what
// they do not own: links stay links, a file of several names is not split, owner and group
// stay, users' hidden files beside a target survive, and no file is converted over itself.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "UnitBLPImageUtils.hpp"
#include "cli_run.hpp"
#include "test_files.hpp"

using namespace ondrel;
using ondrel_test::RunCli;

namespace {

class Batch : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.path() + '/' + name; }
  void MakeFolder(const QString& name) { QDir().mkpath(path(name)); }

  // in/: every source format, two folder levels, a hidden folder, and enough pictures that
  // two workers overlap.
  void MakeTree() {
    const FileFormatOptions o = DesignedFileFormatOptions();
    for (const char* f : {"in/sub/deeper", "in/.hidden"}) MakeFolder(f);
    const TBitmap photo = ondrel_test::PhotoBitmap(40, 24, true, 11);
    SavePngImage(path("in/a.png"), photo, o);
    SaveTgaImage(path("in/b.tga"), photo, o);
    SaveJpegImage(path("in/sub/c.jpg"), photo, o);
    SaveBlpImage(path("in/sub/d.blp"), photo, 0, o, true);
    SaveDdsImage(path("in/sub/deeper/e.dds"), photo, o);
    SaveJpegImage(path("in/f.jpeg"), photo, o);
    SaveBmpImage(path("in/g.bmp"), photo);
    SavePngImage(path("in/.hidden/h.png"), photo, o);
    for (int i = 0; i < 8; ++i)
      SavePngImage(path(QString("in/sub/many%1.png").arg(i)), ondrel_test::PhotoBitmap(64 + i, 48, i % 2 == 0, i), o);
  }
};

TEST_F(Batch, TwoJobsWriteWhatOneWrites) {
  MakeTree();
  for (const char* format : {"blp1", "blp2", "dds", "tga"}) {
    SCOPED_TRACE(format);
    const QString one = path(QString("one_%1").arg(format)), two = path(QString("two_%1").arg(format));
    const auto r1 = RunCli({path("in"), "-r", "--keep-structure", "--format", format, "-o", one, "-j", "1"});
    const auto r2 = RunCli({path("in"), "-r", "--keep-structure", "--format", format, "-o", two, "-j", "2"});
    ASSERT_EQ(r1.exitCode, 0) << r1.err.toStdString();
    ASSERT_EQ(r2.exitCode, 0) << r2.err.toStdString();
    const auto files = ondrel_test::TreeContents(one);
    EXPECT_EQ(files.size(), 15);
    EXPECT_EQ(files, ondrel_test::TreeContents(two));
    EXPECT_EQ(QString(r1.out).replace(one, "@"), QString(r2.out).replace(two, "@"));
  }
}

TEST_F(Batch, FolderStructureIsKeptOrFlattened) {
  MakeTree();
  ASSERT_EQ(RunCli({path("in"), "-r", "--keep-structure", "--format", "png", "--from", "jpg,dds", "-o", path("kept"), "-q"}).exitCode, 0);
  EXPECT_EQ(ondrel_test::TreeContents(path("kept")).keys(),
            (QStringList{"/f.png", "/sub/c.png", "/sub/deeper/e.png"}));
  ASSERT_EQ(RunCli({path("in"), "-r", "--format", "png", "--from", "jpg,dds", "-o", path("flat"), "-q"}).exitCode, 0);
  EXPECT_EQ(ondrel_test::TreeContents(path("flat")).keys(), (QStringList{"/c.png", "/e.png", "/f.png"}));
  // Without -r only the folder itself is read.
  ASSERT_EQ(RunCli({path("in"), "--format", "png", "--from", "jpg,dds", "-o", path("top"), "-q"}).exitCode, 0);
  EXPECT_EQ(ondrel_test::TreeContents(path("top")).keys(), QStringList{"/f.png"});
}

TEST_F(Batch, ASecondSourceOfOneTargetIsRefused) {
  MakeFolder("in/x");
  MakeFolder("in/y");
  const FileFormatOptions o = DesignedFileFormatOptions();
  SavePngImage(path("in/x/a.png"), ondrel_test::PhotoBitmap(8, 8, false, 1), o);
  SavePngImage(path("in/y/a.png"), ondrel_test::PhotoBitmap(8, 8, false, 2), o);
  const auto r = RunCli({path("in"), "-r", "--format", "bmp", "-o", path("out"), "-j", "2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(path("in/y/a.png") + ": its target " + path("out/a.bmp") +
                             " is already written from " + path("in/x/a.png")))
      << r.err.toStdString();
  TBitmap first, written;
  LoadPngImage(path("in/x/a.png"), first);
  LoadBmpImage(path("out/a.bmp"), written);
  EXPECT_TRUE(ondrel_test::SamePixels(first, written));
}

// A 64 x 64 picture of four flat colours and an alpha gradient.
TBitmap FewColours() {
  TBitmap b;
  b.reset(64, 64, PixelFormat::Bit32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = b.scanLine(y) + 4 * x;
      const int q = (x / 32) + 2 * (y / 32);
      p[0] = std::uint8_t(40 * q);
      p[1] = std::uint8_t(200 - 30 * q);
      p[2] = std::uint8_t(60 + 50 * q);
      p[3] = std::uint8_t(4 * y);
    }
  return b;
}

mode_t ModeOf(const QString& p) {
  struct stat st {};
  ::stat(QFile::encodeName(p).constData(), &st);
  return st.st_mode & 07777;
}

TEST_F(Batch, OptimizeShrinksBlp1FilesAndKeepsTheirPictures) {
  MakeFolder("opt/sub");
  FileFormatOptions o = DesignedFileFormatOptions();
  o.blp1.Blp1Paletted = 1;
  o.blp1.Blp1CompressPalette = 0;  // all 256 entries written: the re-save trims them
  SaveBlpImage(path("opt/paletted.blp"), FewColours(), 0, o, true);
  o = DesignedFileFormatOptions();
  o.blp1.Blp1MergeHeaders = 0;  // one JPEG header per level: the optimizer shares one
  SaveBlpImage(path("opt/sub/jpeg.blp"), ondrel_test::PhotoBitmap(64, 32, false), 0, o, false);
  SaveBlpImage(path("opt/blp2.blp"), FewColours(), 1, DesignedFileFormatOptions(), true);
  ::chmod(QFile::encodeName(path("opt/paletted.blp")).constData(), 0640);

  const auto before = ondrel_test::TreeContents(path("opt"));
  TBitmap paletted0, jpeg0;
  LoadBlpImage(path("opt/paletted.blp"), paletted0, 0);
  LoadBlpImage(path("opt/sub/jpeg.blp"), jpeg0, 0);

  const auto r = RunCli({"--optimize", "-r", path("opt"), "-j", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const auto after = ondrel_test::TreeContents(path("opt"));
  EXPECT_EQ(after.keys(), before.keys()) << "a scratch file was left behind";
  EXPECT_LT(after["/paletted.blp"].size(), before["/paletted.blp"].size());
  EXPECT_LT(after["/sub/jpeg.blp"].size(), before["/sub/jpeg.blp"].size());
  EXPECT_EQ(after["/blp2.blp"], before["/blp2.blp"]);
  EXPECT_EQ(ModeOf(path("opt/paletted.blp")), mode_t(0640));

  TBitmap paletted1, jpeg1;
  LoadBlpImage(path("opt/paletted.blp"), paletted1, 0);
  LoadBlpImage(path("opt/sub/jpeg.blp"), jpeg1, 0);
  EXPECT_TRUE(ondrel_test::SamePixels(paletted0, paletted1));
  EXPECT_TRUE(ondrel_test::SamePixels(jpeg0, jpeg1));

  const qint64 saved = (before["/paletted.blp"].size() - after["/paletted.blp"].size()) +
                        (before["/sub/jpeg.blp"].size() - after["/sub/jpeg.blp"].size());
  EXPECT_TRUE(r.out.contains(path("opt/blp2.blp") + ": nothing to gain")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QString("\n2 files optimised, %1 bytes saved\n").arg(saved))) << r.out.toStdString();

  // A second run gains nothing and rewrites nothing.
  const auto again = RunCli({"--optimize", "-r", path("opt")});
  ASSERT_EQ(again.exitCode, 0);
  EXPECT_TRUE(again.out.contains("0 files optimised, 0 bytes saved")) << again.out.toStdString();
  EXPECT_EQ(ondrel_test::TreeContents(path("opt")), after);
}

TEST_F(Batch, OptimizeRewritesTheFileALinkNamesAndKeepsTheLink) {
  MakeFolder("opt");
  FileFormatOptions o = DesignedFileFormatOptions();
  o.blp1.Blp1Paletted = 1;
  o.blp1.Blp1CompressPalette = 0;
  SaveBlpImage(path("opt/real.blp"), FewColours(), 0, o, false);
  const qint64 before = QFileInfo(path("opt/real.blp")).size();
  ASSERT_TRUE(QFile::link(path("opt/real.blp"), path("link.blp")));
  const auto r = RunCli({"--optimize", path("link.blp")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo(path("link.blp")).isSymLink());
  EXPECT_LT(QFileInfo(path("opt/real.blp")).size(), before);
}

QByteArray Bytes(const QString& p) {
  QFile f(p);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A paletted BLP1 with all 256 palette entries stored: the optimizer always gains on it.
void MakeOptimizable(const QString& p) {
  FileFormatOptions o = DesignedFileFormatOptions();
  o.blp1.Blp1Paletted = 1;
  o.blp1.Blp1CompressPalette = 0;
  SaveBlpImage(p, FewColours(), 0, o, false);
}

TEST_F(Batch, OptimizeRefusesAFileOfSeveralNamesAndKeepsTheOwner) {
  MakeFolder("opt");
  MakeOptimizable(path("opt/shared.blp"));
  ASSERT_EQ(::link(QFile::encodeName(path("opt/shared.blp")).constData(),
                   QFile::encodeName(path("opt/other-name.blp")).constData()), 0);
  const QByteArray before = Bytes(path("opt/shared.blp"));
  const auto r = RunCli({"--optimize", path("opt/shared.blp")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("the file has 2 names (hard links)")) << r.err.toStdString();
  EXPECT_EQ(Bytes(path("opt/shared.blp")), before);
  EXPECT_EQ(Bytes(path("opt/other-name.blp")), before);

  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  MakeOptimizable(path("opt/users.blp"));
  ASSERT_EQ(::chown(QFile::encodeName(path("opt/users.blp")).constData(), 1234, 5678), 0);
  ::chmod(QFile::encodeName(path("opt/users.blp")).constData(), 0640);
  const auto owned = RunCli({"--optimize", path("opt/users.blp")});
  ASSERT_EQ(owned.exitCode, 0) << owned.err.toStdString();
  EXPECT_TRUE(owned.out.contains("bytes saved")) << owned.out.toStdString();
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(path("opt/users.blp")).constData(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(Batch, AConversionOntoItsOwnSourceIsRefused) {
  MakeTree();
  const QByteArray jpg = Bytes(path("in/sub/c.jpg")), blp = Bytes(path("in/sub/d.blp"));
  ASSERT_TRUE(QFile::link(path("in/sub/c.jpg"), path("in/c-link.jpg")));
  struct Case {
    QStringList arguments;
    const char* refused;  // the source named in the refusal
  };
  const Case cases[] = {
      {{path("in/sub/c.jpg"), "-o", path("in/sub/c.jpg"), "--quality", "10"}, "in/sub/c.jpg"},
      {{path("in/sub/c.jpg"), "-o", path("in/c-link.jpg"), "--quality", "10"}, "in/sub/c.jpg"},
      {{path("in/sub"), "-r", "-o", path("in/sub"), "--keep-structure", "--format", "blp1", "--from", "blp"},
       "in/sub/d.blp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const auto r = RunCli(c.arguments);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(path(c.refused) + ": the target is the source file itself; it is left as it was"))
        << r.err.toStdString();
  }
  EXPECT_EQ(Bytes(path("in/sub/c.jpg")), jpg);
  EXPECT_EQ(Bytes(path("in/sub/d.blp")), blp);
  EXPECT_TRUE(QFileInfo(path("in/c-link.jpg")).isSymLink());
}

TEST_F(Batch, ASecondRunTakesNoOutputOfTheFirstForInput) {
  MakeTree();
  const QStringList run = {path("in"), "-r", "--keep-structure", "--format", "blp2", "-o", path("in/build")};
  const auto first = RunCli(run);
  ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
  const auto built = ondrel_test::TreeContents(path("in/build"));
  EXPECT_EQ(built.size(), 15);
  const auto second = RunCli(run);
  EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
  EXPECT_EQ(second.out.count(" -> "), 15) << second.out.toStdString();
  EXPECT_FALSE(second.out.contains(path("in/build/sub/d.blp ->"))) << second.out.toStdString();
  EXPECT_EQ(ondrel_test::TreeContents(path("in/build")), built);
}

TEST_F(Batch, ASaveThroughALinkKeepsTheLinkAndUsersHiddenFilesBesideIt) {
  MakeTree();
  MakeFolder("out");
  const QByteArray mine = "a user's own backup";
  for (const char* name : {"out/.t.blp.backup", "out/.t.blp.v2old1"}) {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(mine);
    f.close();
    const timespec old[2] = {{std::time(nullptr) - 300, 0}, {std::time(nullptr) - 300, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path(name)).constData(), old, 0);
  }
  ASSERT_TRUE(QFile::link("out/t.blp", path("t-link.blp")));
  for (int run = 0; run < 2; ++run) {  // the first makes t.blp through the dangling link
    const auto r = RunCli({path("in/a.png"), "-o", path("t-link.blp")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  }
  EXPECT_TRUE(QFileInfo(path("t-link.blp")).isSymLink());
  EXPECT_TRUE(Bytes(path("out/t.blp")).startsWith("BLP2"));
  EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{".t.blp.backup", ".t.blp.v2old1", "t.blp"}));
  EXPECT_EQ(Bytes(path("out/.t.blp.v2old1")), mine);
}

}  // namespace
