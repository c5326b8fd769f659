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
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ormel_blp.h"
#include "peer_files.hpp"
#include "special_files.hpp"

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
    // BLP1 JPEG content always stores four channels; alpha bits 0 say the fourth is no alpha.
    EXPECT_EQ(back.hasAlphaChannel(), c.alpha);
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

// A BLP1 JPEG header claiming width x height, two levels of a few bytes each, padded to `total`.
QByteArray JpegBlpClaiming(std::uint32_t side, int total) {
  QByteArray file(total, '\0');
  auto put32 = [&file](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = char(v >> (8 * i));
  };
  file.replace(0, 4, "BLP1");
  put32(8, 8);      // alpha bits
  put32(12, side);
  put32(16, side);
  put32(20, 4);     // picture type
  put32(24, 1);     // mipmaps
  put32(28, 160);   // level 0 at 160, level 1 after it
  put32(32, 1000);
  put32(92, 840);
  put32(96, 500);
  file.replace(160, 4, "\xff\xd8\xff\xd9");
  file.replace(1000, 4, "\xff\xd8\xff\xd9");
  return file;
}

TEST(BlpPlugin, HonoursTheAllocationLimitForTheDecodersBufferToo) {
  // Level 0 of 8192 x 8192 x 4 bytes is 256 MiB, past Qt's default limit of 128 MiB: refused
  // before any buffer is made. Level 1 holds no JPEG frame and is refused by the decoder.
  const QByteArray file = JpegBlpClaiming(8192, 200000);
  QBuffer buffer;
  buffer.setData(file);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "blp");
  ASSERT_EQ(reader.imageCount(), 2);
  ASSERT_EQ(QImageReader::allocationLimit(), 128);
  for (int level : {0, 1}) {
    SCOPED_TRACE(level);
    ASSERT_TRUE(reader.jumpToImage(level));
    EXPECT_TRUE(reader.read().isNull());
  }
}

TEST(BlpPlugin, RefusesAFifoAtOnce) {
  // A FIFO whose writer sends a signature and stays: read to its end, it never ends.
  QTemporaryDir dir;
  const auto files = ondrel_test::SpecialFiles::MakeIn(dir.path(), ".blp");
  const QByteArray name = QFile::encodeName(files.fifo);
  const int readEnd = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
  const int writeEnd = ::open(name.constData(), O_WRONLY);
  ASSERT_GE(readEnd, 0);
  ASSERT_GE(writeEnd, 0);
  const QByteArray head = JpegBlpClaiming(16, 4096);
  ASSERT_EQ(::write(writeEnd, head.constData(), std::size_t(head.size())), head.size());
  ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) & ~O_NONBLOCK);
  const auto outcome = ondrel_test::RunBounded([&] {
    QFile file;
    file.open(readEnd, QIODevice::ReadOnly);
    QImageReader reader(&file, "blp");
    return std::string(reader.read().isNull() ? "refused" : "read");
  });
  ::close(writeEnd);
  ::close(readEnd);
  ASSERT_TRUE(outcome.has_value()) << "hangs";
  EXPECT_EQ(*outcome, "refused");
  QFile::setPermissions(files.unreadable, QFile::ReadOwner | QFile::WriteOwner);
}

// ---- Truncated files: only what the file holds is shown ----

// A 64 x 48 BLP of every content, written by the library (raw pixels by hand).
struct ContentFile {
  const char* name;
  QByteArray file;
};

QByteArray Encode(TBLPHeader record, const std::vector<std::uint8_t>& bgra) {
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  BLP_SaveToMemory(bgra.data(), &record, &data, &size);
  QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
  BLP_FreeMem(&data);
  return file;
}

std::vector<ContentFile> EveryContent() {
  const int w = 64, h = 48;
  std::vector<std::uint8_t> bgra(std::size_t(w) * h * 4);
  for (std::size_t i = 0; i < bgra.size(); ++i) bgra[i] = std::uint8_t(i * 7 + i / 256);
  TBLPHeader base{};
  base.Width = w;
  base.Height = h;
  base.HasMipmaps = 1;
  base.MipmapsMinus1 = 6;
  TBLPHeader jpeg = base, paletted = base, dxt1 = base, dxt5 = base;
  std::memcpy(jpeg.Signature, "BLP1", 4);
  jpeg.AlphaBits = 8;
  jpeg.PictureType = 4;
  jpeg.ColorsOrQuality = 85;
  jpeg.FlagA = 1;
  std::memcpy(paletted.Signature, "BLP1", 4);
  paletted.Compression = 1;
  paletted.AlphaBits = 8;
  paletted.PictureType = 4;
  paletted.ColorsOrQuality = 256;
  for (TBLPHeader* r : {&dxt1, &dxt5}) {
    std::memcpy(r->Signature, "BLP2", 4);
    r->Compression = 1;
    r->Encoding = 2;
  }
  dxt5.AlphaDepth = 8;
  dxt5.AlphaEncoding = 7;
  QByteArray raw(148, '\0');
  std::memcpy(raw.data(), "BLP2", 4);
  const auto put32 = [&raw](int at, std::uint32_t v) { std::memcpy(raw.data() + at, &v, 4); };
  put32(4, 1);
  raw[8] = 3;
  raw[9] = 8;
  put32(12, w);
  put32(16, h);
  put32(20, 148);
  put32(84, std::uint32_t(bgra.size()));
  raw.append(reinterpret_cast<const char*>(bgra.data()), qsizetype(bgra.size()));
  return {{"jpeg", Encode(jpeg, bgra)},
          {"paletted_alpha", Encode(paletted, bgra)},
          {"dxt1", Encode(dxt1, bgra)},
          {"dxt5", Encode(dxt5, bgra)},
          {"raw_bgra", raw}};
}

// Reads level 0 with malloc filling the blocks it hands out with the complement of `byte`
// (glibc's M_PERTURB), so pixels the reader never wrote differ from one fill to the other.
QImage ReadWithHeapFill(const QByteArray& bytes, int byte) {
  mallopt(M_PERTURB, byte);
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "blp");
  QImage image = reader.read();
  mallopt(M_PERTURB, 0);
  return image;
}

TEST(BlpPlugin, EveryCutIsRefusedOrFullyDefined) {
  for (const ContentFile& c : EveryContent()) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.file.isEmpty());
    const QImage whole = ReadWithHeapFill(c.file, 0x11);
    ASSERT_FALSE(whole.isNull());
    TBLPHeader header{};
    BLP_GetHeaderEx(reinterpret_cast<const std::uint8_t*>(c.file.constData()), std::size_t(c.file.size()), &header);
    const qsizetype level0End = qsizetype(header.MipmapOffsets[0]) + qsizetype(header.MipmapSizes[0]);
    std::vector<qsizetype> cuts;
    for (qsizetype n = 0; n < c.file.size(); n += 97) cuts.push_back(n);
    cuts.insert(cuts.end(), {level0End - 1, level0End, c.file.size() - 1});
    for (const qsizetype n : cuts) {
      SCOPED_TRACE(n);
      const QImage a = ReadWithHeapFill(c.file.left(n), 0x11);
      const QImage b = ReadWithHeapFill(c.file.left(n), 0xEE);
      EXPECT_EQ(a, b);
      if (n < level0End)
        EXPECT_TRUE(a.isNull()) << "level 0 ends at " << level0End;
      else
        EXPECT_EQ(a, whole);
    }
  }
}

// JPEG content stores four channels; alpha bits 0 say the fourth is not alpha.
TEST(BlpPlugin, JpegContentWithoutAlphaBitsIsOpaque) {
  SKIP_WITHOUT_PEER_FILES();
  QImageReader reader(QStringLiteral(ONDREL_PEER_BLP "/wc3libs/war3mapMap.blp"));
  const QImage image = reader.read();
  ASSERT_FALSE(image.isNull());
  EXPECT_FALSE(image.hasAlphaChannel());
}

// A BLP1 JPEG header that claims 16384 x 16384 over a 16 x 16 frame: refused, not decoded
// into a buffer of the claimed size.
TEST(BlpPlugin, JpegFrameOfAnotherSizeIsRefused) {
  std::vector<std::uint8_t> bgra(16 * 16 * 4, 0x80);
  TBLPHeader record{};
  std::memcpy(record.Signature, "BLP1", 4);
  record.Width = 16;
  record.Height = 16;
  record.AlphaBits = 8;
  record.PictureType = 4;
  record.ColorsOrQuality = 85;
  QByteArray file = Encode(record, bgra);
  ASSERT_FALSE(ReadWithHeapFill(file, 0).isNull());
  const std::uint32_t claimed = 16384;
  std::memcpy(file.data() + 12, &claimed, 4);
  std::memcpy(file.data() + 16, &claimed, 4);
  file.append(QByteArray(16384 * 16384 / 512, '\0'));  // long enough to pass the size check
  EXPECT_TRUE(ReadWithHeapFill(file, 0).isNull());
}

}  // namespace
