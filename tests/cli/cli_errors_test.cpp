// Exit status and messages: a failing file is named with the reason (exit 1) and nothing is
// written for it; a command line that cannot run is refused before any work (exit 2).
#include <gtest/gtest.h>

#include <QDir>

#include "UnitBLPImageUtils.hpp"
#include "cli_run.hpp"
#include "special_files.hpp"
#include "test_files.hpp"

using namespace ondrel;
using ondrel_test::RunCli;

namespace {

class Errors : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.path() + '/' + name; }

  void SetUp() override {
    const TBitmap photo = ondrel_test::PhotoBitmap(16, 8, true);
    const FileFormatOptions o = DesignedFileFormatOptions();
    SavePngImage(path("good.png"), photo, o);
    SaveBlpImage(path("whole.blp"), photo, 1, o, true);
    SaveTgaImage(path("whole.tga"), photo, o);
    ondrel_test::WriteFile(path("truncated.blp"), ondrel_test::ReadFile(path("whole.blp")).left(200));
    ondrel_test::WriteFile(path("truncated.tga"), ondrel_test::ReadFile(path("whole.tga")).left(100));
    ondrel_test::WriteFile(path("png_named.blp"), ondrel_test::ReadFile(path("good.png")));
    // A BLP2 DXT header that claims 60000 x 60000 pixels in a file of 1,300 bytes.
    QByteArray bomb(1300, '\0');
    bomb.replace(0, 4, "BLP2");
    auto put32 = [&bomb](int at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) bomb[at + i] = char(v >> (8 * i));
    };
    put32(4, 1);
    bomb[8] = 2;
    put32(12, 60000);
    put32(16, 60000);
    put32(20, 1172);
    put32(84, 128);
    ondrel_test::WriteFile(path("bomb.blp"), bomb);
  }
};

struct ErrorCase {
  const char* name;
  QStringList arguments;  // "@" stands for the scratch folder
  int exitCode;
  const char* message;    // expected in standard error
};

TEST_F(Errors, ExitStatusAndMessage) {
  const ErrorCase cases[] = {
      {"missing file", {"@/missing.png", "-o", "@/out/x.png"}, 1, "@/missing.png: no such file"},
      {"truncated BLP", {"@/truncated.blp", "-o", "@/out/x.png"}, 1, "@/truncated.blp: The BLP file is damaged or unsupported (truncated: mipmap 0 ends at byte 276, the file has 200 bytes)"},
      {"truncated TGA", {"@/truncated.tga", "-o", "@/out/x.png"}, 1, "@/truncated.tga: The TGA file is too short for the image size its header claims"},
      {"bomb header", {"@/bomb.blp", "-o", "@/out/x.png"}, 1, "@/bomb.blp: The BLP image claims 60000 x 60000 pixels, more than this program opens"},
      {"wrong signature", {"@/png_named.blp", "-o", "@/out/x.png"}, 1, "@/png_named.blp: not a BLP file"},
      {"mip of a PNG", {"@/good.png", "--mip", "1", "-o", "@/out/x.png"}, 1, "only BLP files have mipmaps"},
      {"unknown flag", {"@/good.png", "--frob", "-o", "@/out/x.png"}, 2, "Unknown option 'frob'"},
      {"flag of another format", {"@/good.png", "--quality", "50", "-o", "@/out/x.png"}, 2,
       "--quality does not apply to PNG; it applies to BLP1 with JPEG content and JPG"},
      {"flag of another content", {"@/good.png", "--colors", "16", "-o", "@/out/x.blp"}, 2,
       "--colors does not apply to BLP2 with DXT content"},
      {"encoding of a format without one", {"@/good.png", "--encoding", "dxt", "-o", "@/out/x.jpg"}, 2,
       "--encoding does not apply to JPG"},
      {"override without rle", {"@/good.png", "--override", "-o", "@/out/x.tga"}, 2, "--override applies only with --rle"},
      {"value out of range", {"@/good.png", "--mipmaps", "17", "-o", "@/out/x.dds"}, 2, "--mipmaps takes 1 to 16, not '17'"},
      {"contradicting switches", {"@/good.png", "--progressive", "--no-progressive", "-o", "@/out/x.jpg"}, 2, "contradict"},
      {"no output", {"@/good.png"}, 2, "no output"},
      {"json without info", {"@/good.png", "--json", "-o", "@/out/x.png"}, 2, "--json does not apply"},
      {"save flag with info", {"--info", "@/good.png", "--quality", "5"}, 2, "--quality does not apply to --info"},
      {"folder output without format", {"@/good.png", "@/whole.tga", "-o", "@/out"}, 2, "give --format"},
      {"name against format", {"@/good.png", "--format", "png", "-o", "@/out/x.tga"}, 2, "does not end in .png"},
      {"no inputs", {"-o", "@/out/x.png"}, 2, "no input"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList args;
    for (const QString& a : c.arguments) args << QString(a).replace('@', dir.path());
    const auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString(c.message).replace('@', dir.path()))) << r.err.toStdString();
    EXPECT_EQ(r.err.contains("Try 'ondrel-convert --help'"), c.exitCode == 2);
    EXPECT_FALSE(QFileInfo::exists(path("out"))) << "something was written";
  }
}

TEST_F(Errors, AFailingFileLeavesAnExistingTargetAsItWas) {
  ondrel_test::WriteFile(path("x.png"), "keep me");
  const auto r = RunCli({path("truncated.blp"), "-o", path("x.png")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(ondrel_test::ReadFile(path("x.png")), "keep me");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter("x.png").size(), 1)
      << "a scratch file was left behind";
}

TEST_F(Errors, OtherFilesOfTheBatchAreStillConverted) {
  QDir(dir.path()).mkdir("in");
  for (const char* name : {"good.png", "truncated.tga", "whole.tga"})
    QFile::copy(path(name), path(QString("in/") + name));
  const auto r = RunCli({path("in"), "-o", path("out"), "--format", "bmp", "-j", "2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(QFileInfo(path("out/good.bmp")).isFile());
  EXPECT_TRUE(QFileInfo(path("out/whole.bmp")).isFile());
  EXPECT_FALSE(QFileInfo::exists(path("out/truncated.bmp")));
  EXPECT_TRUE(r.err.contains("in/truncated.tga: The TGA file is too short")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("converted 2 of 3 files; 1 failed")) << r.err.toStdString();
}

TEST_F(Errors, SpecialFilesAreRefusedAtOnceWithTheReason) {
  // A regression here hangs or eats memory; RunCli's alarm turns that into a failure.
  const auto png = ondrel_test::SpecialFiles::MakeIn(dir.path(), ".png");
  const auto blp = ondrel_test::SpecialFiles::MakeIn(dir.path(), ".blp");
  const struct {
    QStringList arguments;
    QString message;
  } cases[] = {
      {{"--info", png.fifo}, png.fifo + ": a named pipe (FIFO), not a regular file"},
      {{"--info", png.deviceLink}, png.deviceLink + ": a character device, not a regular file"},
      {{png.fifo, "-o", path("out/x.tga")}, png.fifo + ": a named pipe (FIFO)"},
      {{"--optimize", blp.fifo}, blp.fifo + ": a named pipe (FIFO)"},
      {{"--optimize", blp.deviceLink}, blp.deviceLink + ": a character device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const auto r = RunCli(c.arguments);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
  }
  QFile::setPermissions(png.unreadable, QFile::ReadOwner | QFile::WriteOwner);
  QFile::setPermissions(blp.unreadable, QFile::ReadOwner | QFile::WriteOwner);

  // A folder run: the FIFO is not listed, the link to /dev/zero fails with its reason, the
  // rest converts.
  const auto r = RunCli({"-r", dir.path(), "-o", path("out"), "--format", "bmp", "--from", "png"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(QFileInfo(path("out/good.bmp")).isFile());
  EXPECT_FALSE(r.err.contains("fifo.png")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("zero.png: a character device")) << r.err.toStdString();
}

}  // namespace
