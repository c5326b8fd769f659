// ondrel-thumbnailer run as a file manager runs it, over every BLP file we have: a PNG of the
// right size, or a clean exit with status 1 and no output; never a crash, never a hang.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

#include "peer_files.hpp"
#include "special_files.hpp"

namespace {

struct Outcome {
  bool finished = false;
  QProcess::ExitStatus status = QProcess::CrashExit;
  int code = -1;
  QString error;
};

Outcome Thumbnail(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(ONDREL_THUMBNAILER), arguments);
  Outcome run;
  if (!process.waitForStarted(10000)) return run;
  run.finished = process.waitForFinished(30000);
  if (!run.finished) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.status = process.exitStatus();
  run.code = process.exitCode();
  run.error = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

QStringList AllBlpFiles() {
  QStringList files;
  for (const char* root : {ONDREL_SOURCE_DIR "/fuzz/corpus/fuzz_blp", ONDREL_FIXTURES "/blp",
                           ONDREL_PEER_BLP}) {
    QDirIterator it(QString::fromUtf8(root), {"*.blp"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
  }
  return files;
}

TEST(Thumbnailer, EveryFileGivesAFittingPngOrACleanRefusal) {
  SKIP_WITHOUT_PEER_FILES();
  QTemporaryDir out;
  ASSERT_TRUE(out.isValid());
  const QStringList files = AllBlpFiles();
  ASSERT_GE(files.size(), 45);
  int written = 0;
  for (const QString& input : files) {
    for (int size : {32, 128, 256}) {
      SCOPED_TRACE((input + " at " + QString::number(size)).toStdString());
      const QString output = out.filePath("thumb.png");
      QFile::remove(output);
      const Outcome run = Thumbnail({"-s", QString::number(size), input, output});
      ASSERT_TRUE(run.finished) << "hangs";
      ASSERT_EQ(run.status, QProcess::NormalExit) << "crashes";
      if (run.code != 0) {
        EXPECT_EQ(run.code, 1);
        EXPECT_FALSE(run.error.isEmpty());
        EXPECT_FALSE(QFile::exists(output));
        continue;
      }
      const QImage thumbnail(output, "png");
      ASSERT_FALSE(thumbnail.isNull());
      EXPECT_LE(thumbnail.width(), size);
      EXPECT_LE(thumbnail.height(), size);
      ++written;
    }
  }
  EXPECT_GE(written, 3 * 38);  // all but the eight refused peer files
}

TEST(Thumbnailer, TakesTheSmallestLevelThatCoversTheSizeAndKeepsAlpha) {
  SKIP_WITHOUT_PEER_FILES();
  const struct {
    const char* file;
    int size;
    QSize expected;
    bool alpha;
  } cases[] = {
      {"/Pinta365-blp/256x256_DTX1.blp", 256, {256, 256}, false},  // level 0 fits
      {"/Pinta365-blp/256x256_DTX1.blp", 200, {200, 200}, false},  // level 0, scaled down
      {"/Pinta365-blp/256x256_DTX1.blp", 100, {100, 100}, false},  // level 1, scaled down
      {"/Pinta365-blp/512x64_palette.blp", 128, {128, 16}, true},  // level 2
      {"/Pinta365-blp/cloud_wispy_mod.blp", 64, {64, 64}, true},
      {"/Pinta365-blp/1024x64_DXT5.blp", 256, {256, 16}, true},    // one level: scaled down
      {"/Pillow/blp2_dxt1a.blp", 256, {16, 16}, true},             // never scaled up
  };
  QTemporaryDir out;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.size));
    const QString output = out.filePath("thumb.png");
    const Outcome run = Thumbnail({"-s", QString::number(c.size),
                               QStringLiteral(ONDREL_PEER_BLP) + c.file, output});
    ASSERT_EQ(run.code, 0) << run.error.toStdString();
    const QImage thumbnail(output, "png");
    EXPECT_EQ(thumbnail.size(), c.expected);
    EXPECT_EQ(thumbnail.hasAlphaChannel(), c.alpha);
  }
}

TEST(Thumbnailer, RefusesOtherFilesAndWrongCommandLines) {
  QTemporaryDir out;
  const QString output = out.filePath("thumb.png");
  QFile text(out.filePath("x.blp"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("a text file named like a texture\n");
  text.close();
  EXPECT_EQ(Thumbnail({"-s", "128", text.fileName(), output}).code, 1);
  EXPECT_EQ(Thumbnail({"-s", "128", ONDREL_FIXTURES "/png/rgba8.png", output}).code, 1);
  EXPECT_EQ(Thumbnail({"-s", "128", out.filePath("missing.blp"), output}).code, 1);
  EXPECT_FALSE(QFile::exists(output));

  const QString blp = QStringLiteral(ONDREL_FIXTURES "/blp/blp2_dxt1.blp");
  EXPECT_EQ(Thumbnail({"-s", "0", blp, output}).code, 2);
  EXPECT_EQ(Thumbnail({"-s", "big", blp, output}).code, 2);
  EXPECT_EQ(Thumbnail({blp, output}).code, 2);
  // An output it cannot write is a refusal, not a crash.
  EXPECT_EQ(Thumbnail({"-s", "128", blp, out.filePath("no/such/folder/thumb.png")}).code, 1);
}

TEST(Thumbnailer, RefusesSpecialFilesAtOnceWithTheReason) {
  QTemporaryDir out;
  const auto files = ondrel_test::SpecialFiles::MakeIn(out.path(), ".blp");
  const QString output = out.filePath("thumb.png");
  const struct {
    QString input;
    const char* reason;
  } cases[] = {
      {files.fifo, "a named pipe (FIFO), not a regular file"},
      {files.deviceLink, "a character device, not a regular file"},
      {files.folder, "a folder, not a file"},
      {out.filePath("missing.blp"), "no such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.toStdString());
    const Outcome run = Thumbnail({"-s", "128", c.input, output});
    ASSERT_TRUE(run.finished) << "hangs";
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.error.contains(c.reason)) << run.error.toStdString();
    EXPECT_FALSE(QFile::exists(output));
  }
  QFile::setPermissions(files.unreadable, QFile::ReadOwner | QFile::WriteOwner);
}

// DDS and TGA: the thumbnailer entry offers them too; the pixels are the viewer's (the fixtures'
// expected pixels, BGRA, top row first).
TEST(Thumbnailer, DrawsDdsAndTgaImages) {
  QTemporaryDir out;
  const QString output = out.filePath("thumb.png");
  for (const char* name : {"dds/im_dxt1.dds", "dds/im_dxt5.dds", "dds/im_none24.dds",
                           "tga/im_type10_32.tga", "tga/pil_type1_paletted.tga",
                           "tga/pil_type2_24_bottomup.tga"}) {
    SCOPED_TRACE(name);
    const QString path = QStringLiteral(ONDREL_FIXTURES "/") + name;
    const Outcome run = Thumbnail({"-s", "128", path, output});
    ASSERT_EQ(run.code, 0) << run.error.toStdString();
    const QImage thumb = QImage(output).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(thumb.size(), QSize(13, 7));
    QFile expectedFile(path + ".bgra");
    ASSERT_TRUE(expectedFile.open(QIODevice::ReadOnly));
    const QByteArray expected = expectedFile.readAll();
    ASSERT_EQ(expected.size(), 13 * 7 * 4);
    const bool alpha = QImage(output).hasAlphaChannel();
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        const QRgb p = thumb.pixel(x, y);
        const auto* e = reinterpret_cast<const std::uint8_t*>(expected.constData()) + (y * 13 + x) * 4;
        ASSERT_EQ(qBlue(p), e[0]) << x << "," << y;
        ASSERT_EQ(qGreen(p), e[1]) << x << "," << y;
        ASSERT_EQ(qRed(p), e[2]) << x << "," << y;
        // DXT5 alpha may be 1 apart: the fixtures' writer truncates the interpolated values
        // where the library rounds them.
        if (alpha) {
          ASSERT_LE(std::abs(qAlpha(p) - int(e[3])), 1) << x << "," << y;
        }
      }
  }
}

// Debian types GTK Blueprint sources (*.blp text) as image/x-blp by their name: each is refused
// on its first bytes, however long, so a folder of them costs no time and leaves no thumbnail.
TEST(Thumbnailer, RefusesBlueprintSourcesOnTheirSignature) {
  QTemporaryDir out;
  const QString output = out.filePath("thumb.png");
  QFile source(out.filePath("window.blp"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write("using Gtk 4.0;\n\ntemplate $AppWindow : Gtk.ApplicationWindow {\n");
  source.write(QByteArray(64 << 20, ' '));  // read whole, this would take a while
  source.close();
  const Outcome run = Thumbnail({"-s", "128", source.fileName(), output});
  EXPECT_EQ(run.status, QProcess::NormalExit);
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.error.contains("not a BLP texture")) << run.error.toStdString();
  EXPECT_FALSE(QFile::exists(output));
}

}  // namespace
