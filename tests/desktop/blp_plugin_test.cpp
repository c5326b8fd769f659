// The BLP image plugin as any Qt program meets it: loaded from QT_PLUGIN_PATH by QImageReader
// and QImageWriter, never linked. Its pixels are compared with the codec library's own decode.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ormel_blp.h"
#include "peer_files.hpp"

namespace {

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

// Our own samples, one per decoding path, each with two levels (the BLP fuzz seeds), and our
// fixtures.
QStringList OwnFiles() {
  QStringList files;
  for (const QString& dir : {QStringLiteral(ONDREL_SOURCE_DIR "/fuzz/corpus/fuzz_blp"),
                             QStringLiteral(ONDREL_FIXTURES "/blp")})
    for (const QString& name : QDir(dir).entryList({"*.blp"}, QDir::Files))
      files << dir + "/" + name;
  return files;
}

// Every peer file the library reads (the Pillow timeout cases are refused, tested below).
QStringList ReadablePeerFiles() {
  QStringList files;
  QDir root(ONDREL_PEER_BLP);
  for (const QString& sub : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    for (const QString& name : QDir(root.filePath(sub)).entryList({"*.blp"}, QDir::Files))
      if (!name.startsWith("timeout-") && name != "blp1_jpeg2.blp")
        files << root.filePath(sub) + "/" + name;
  return files;
}

// The library's decode of one level as the viewer does it: a level-0-sized buffer.
QImage LibraryDecode(const QByteArray& file, int level, bool opaque) {
  TBLPHeader header{};
  const auto* data = reinterpret_cast<const std::uint8_t*>(file.constData());
  BLP_GetHeaderEx(data, std::size_t(file.size()), &header);
  std::vector<std::uint8_t> pixels(std::size_t(header.Width) * header.Height * 4);
  std::uint16_t w = 0, h = 0;
  BLP_LoadFromMemoryEx(data, std::size_t(file.size()), std::uint16_t(level), pixels.data(),
                       pixels.size(), &w, &h);
  QImage image(w, h, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y) {
    std::memcpy(image.scanLine(y), pixels.data() + std::size_t(y) * w * 4, std::size_t(w) * 4);
    if (opaque)
      for (int x = 0; x < w; ++x) image.scanLine(y)[4 * x + 3] = 0xFF;
  }
  return image;
}

void ExpectEveryLevelAsTheLibrary(const QString& path) {
  SCOPED_TRACE(path.toStdString());
  const QByteArray file = ReadFile(path);
  QImageReader reader(path);
  ASSERT_TRUE(reader.canRead());
  EXPECT_EQ(reader.format(), "blp");
  const int count = reader.imageCount();
  ASSERT_GE(count, 1);
  for (int level = 0; level < count; ++level) {
    SCOPED_TRACE(level);
    ASSERT_TRUE(reader.jumpToImage(level));
    EXPECT_EQ(reader.currentImageNumber(), level);
    const QSize announced = reader.size();
    QImage image;
    ASSERT_TRUE(reader.read(&image)) << reader.errorString().toStdString();
    EXPECT_EQ(announced, image.size());
    const QImage expected = LibraryDecode(file, level, image.format() == QImage::Format_RGB32);
    EXPECT_EQ(image, expected);
  }
  EXPECT_FALSE(reader.jumpToImage(count));
}

TEST(BlpPlugin, IsFoundThroughThePluginPath) {
  EXPECT_TRUE(QImageReader::supportedImageFormats().contains("blp"));
  EXPECT_TRUE(QImageReader::supportedMimeTypes().contains("image/x-blp"));
  EXPECT_TRUE(QImageWriter::supportedImageFormats().contains("blp"));
}

TEST(BlpPlugin, ReadsEveryLevelOfOurFilesAsTheLibrary) {
  const QStringList files = OwnFiles();
  ASSERT_GE(files.size(), 15);
  for (const QString& path : files) ExpectEveryLevelAsTheLibrary(path);
}

TEST(BlpPlugin, ReadsEveryLevelOfPeerFilesAsTheLibrary) {
  SKIP_WITHOUT_PEER_FILES();
  const QStringList files = ReadablePeerFiles();
  ASSERT_GE(files.size(), 20);
  for (const QString& path : files) ExpectEveryLevelAsTheLibrary(path);
}

TEST(BlpPlugin, ReadsFromPipes) {
  SKIP_WITHOUT_PEER_FILES();
  const QString path = QStringLiteral(ONDREL_PEER_BLP "/Pinta365-blp/64x64_DXT3.blp");
  QProcess pipe;  // a sequential device: no size known in advance
  pipe.start("cat", {path}, QIODevice::ReadOnly);
  ASSERT_TRUE(pipe.waitForStarted());
  ASSERT_TRUE(pipe.waitForReadyRead());
  QImageReader reader(&pipe, "blp");
  EXPECT_EQ(reader.imageCount(), 7);
  EXPECT_EQ(reader.read(), QImageReader(path).read());
}

TEST(BlpPlugin, CountsStoredLevelsNotTableCopies) {
  SKIP_WITHOUT_PEER_FILES();
  const struct {
    const char* file;
    int levels;
    QSize last;
  } cases[] = {
      {"/Pinta365-blp/64x64_DXT1.blp", 7, {4, 4}},       // DXT levels stop at one block
      {"/Pinta365-blp/pinta.blp", 9, {4, 4}},             // one entry past the full chain
      {"/Pinta365-blp/1024x64_DXT5.blp", 1, {1024, 64}},  // no mipmaps
      {"/Pillow/blp2_raw.blp", 10, {1, 1}},               // 512 x 128 down to 1 x 1
      {"/image-blp/simple_jpg.blp", 1, {2, 2}},           // all 16 entries share one block
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    QImageReader reader(QStringLiteral(ONDREL_PEER_BLP) + c.file);
    EXPECT_EQ(reader.imageCount(), c.levels);
    ASSERT_TRUE(reader.jumpToImage(c.levels - 1));
    EXPECT_EQ(reader.size(), c.last);
  }
}

TEST(BlpPlugin, SizeAndFormatComeFromTheHeader) {
  SKIP_WITHOUT_PEER_FILES();
  QImageReader reader(QStringLiteral(ONDREL_PEER_BLP "/Pinta365-blp/256x256_DTX1.blp"));
  EXPECT_EQ(reader.size(), QSize(256, 256));
  EXPECT_EQ(reader.imageFormat(), QImage::Format_RGB32);
  ASSERT_TRUE(reader.jumpToImage(3));
  EXPECT_EQ(reader.size(), QSize(32, 32));
  QImageReader alpha(QStringLiteral(ONDREL_PEER_BLP "/Pinta365-blp/64x64_DXT3.blp"));
  EXPECT_EQ(alpha.imageFormat(), QImage::Format_ARGB32);
  EXPECT_EQ(alpha.subType(), "dxt");
}

TEST(BlpPlugin, CanReadIsFalseForOtherData) {
  const QByteArray cases[] = {
      QByteArray(),
      QByteArray("BLP"),
      QByteArray("BLP3 and more bytes than a signature"),
      QByteArray("a text file that happens to be named x.blp\n"),
      ReadFile(ONDREL_FIXTURES "/png/rgba8.png"),
  };
  for (const QByteArray& bytes : cases) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader sniffed(&buffer);
    EXPECT_NE(sniffed.format(), "blp") << bytes.left(16).toStdString();
    buffer.seek(0);
    QImageReader forced(&buffer, "blp");
    EXPECT_FALSE(forced.canRead());
    EXPECT_TRUE(forced.read().isNull());
    EXPECT_EQ(buffer.pos(), 0) << "canRead must leave the device where it was";
  }
}

// Every channel within `tolerance` of the original.
int MaxDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  int worst = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int i = 0; i < x.width() * 4; ++i)
      worst = std::max(worst, std::abs(int(x.constScanLine(row)[i]) - int(y.constScanLine(row)[i])));
  return worst;
}

QImage SmoothGradient(int w, int h, bool alpha) {
  QImage image(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, qRgba(x * 255 / (w - 1), y * 255 / (h - 1), 128, alpha ? 255 - x * 2 : 255));
  return image;
}

TEST(BlpPlugin, WritesAndReadsBackThroughQImageWriter) {
  const struct {
    QByteArray subType;
    bool alpha;
    const char* signature;
    int tolerance;
  } cases[] = {
      {"dxt", true, "BLP2", 16},   // DXT5: 5- and 6-bit endpoints, dithered
      {"dxt", false, "BLP2", 16},  // DXT1
      {"jpeg", true, "BLP1", 6},   // quality 95
      {"jpeg", false, "BLP1", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subType.toStdString() + (c.alpha ? " alpha" : " opaque"));
    const QImage original = SmoothGradient(64, 32, c.alpha);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "blp");
    writer.setSubType(c.subType);
    writer.setQuality(95);
    ASSERT_TRUE(writer.write(original)) << writer.errorString().toStdString();
    EXPECT_EQ(buffer.data().left(4), c.signature);

    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    EXPECT_EQ(reader.format(), "blp");
    EXPECT_EQ(reader.imageCount(), 7);  // 64 x 32 down to 1 x 1
    const QImage back = reader.read();
    ASSERT_EQ(back.size(), original.size());
    // BLP1 JPEG content always carries its alpha channel (stored opaque when there is none).
    EXPECT_EQ(back.hasAlphaChannel(), c.alpha || c.subType == "jpeg");
    EXPECT_LE(MaxDifference(back, original), c.tolerance);
  }
}

TEST(BlpPlugin, RefusesAnUnknownSubType) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "blp");
  writer.setSubType("png");
  EXPECT_FALSE(writer.write(SmoothGradient(8, 8, false)));
}

TEST(BlpPlugin, HostileFilesFailCleanly) {
  SKIP_WITHOUT_PEER_FILES();
  QStringList hostile = QDir(ONDREL_PEER_BLP "/Pillow").entryList({"timeout-*.blp"}, QDir::Files);
  ASSERT_EQ(hostile.size(), 7);
  for (const QString& name : hostile) {
    QImageReader reader(QStringLiteral(ONDREL_PEER_BLP "/Pillow/") + name);
    EXPECT_TRUE(reader.read().isNull()) << name.toStdString();
  }
  // Every truncation of our files: an image or an error, never a crash.
  for (const QString& path : OwnFiles()) {
    const QByteArray file = ReadFile(path);
    for (int cut = 0; cut < file.size(); cut += std::max(1, int(file.size() / 97))) {
      QBuffer buffer;
      buffer.setData(file.left(cut));
      buffer.open(QIODevice::ReadOnly);
      QImageReader reader(&buffer, "blp");
      for (int level = 0; level < std::max(1, reader.imageCount()); ++level) {
        reader.jumpToImage(level);
        reader.read();
      }
    }
  }
}

}  // namespace
