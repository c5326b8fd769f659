// Hostile files: headers that claim more pixels than the limit or than the file can hold are
// refused before any large allocation, and every loader survives a truncation and bit-flip
// sweep over the fixtures (the sanitizer build checks every access).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDirIterator>
#include <QTemporaryDir>

#include <zlib.h>

#include <cstring>
#include <functional>

#include "UnitBLPImageUtils.hpp"
#include "file_heads.hpp"
#include "file_lists.hpp"
#include "image_limits.hpp"
#include "picture_formats.hpp"
#include "png_codec.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

// Loads a file image the way its extension's loader does, in memory. Returns false when the
// loader threw.
bool LoadInMemory(const QString& extension, QByteArray bytes, TBitmap& target) {
  try {
    if (extension == ".png") {
      DecodePng(bytes, target);
      return true;
    }
    const PictureFormat* format = FindPictureFormat("x" + extension);
    if (format == nullptr) return false;
    auto object = format->create();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    object->LoadFromStream(buffer);
    target.assign(*object);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void Put32(QByteArray& b, std::size_t at, std::uint32_t v) { PutU32(AsWritableBytes(b), at, v); }
void Put16(QByteArray& b, std::size_t at, std::uint16_t v) { PutU16(AsWritableBytes(b), at, v); }

struct Oversized {
  const char* name;
  const char* extension;
  std::function<QByteArray()> make;
};

QByteArray BlpClaiming(const char* signature, std::uint32_t w, std::uint32_t h, std::uint32_t compression) {
  QByteArray b(2048, '\0');
  std::memcpy(b.data(), signature, 4);
  Put32(b, 4, compression);
  Put32(b, 12, w);
  Put32(b, 16, h);
  if (signature[3] == '1') {
    Put32(b, 28, 1180);
    Put32(b, 92, 100);
  } else {
    b[8] = 1;
    Put32(b, 20, 1172);
    Put32(b, 84, 100);
  }
  return b;
}

QByteArray TgaClaiming(std::uint8_t type, std::uint16_t w, std::uint16_t h) {
  QByteArray b(1000, '\0');
  b[2] = char(type);
  Put16(b, 12, w);
  Put16(b, 14, h);
  b[16] = 32;
  return b;
}

QByteArray DdsClaiming(std::uint32_t flags, std::uint32_t w, std::uint32_t h) {
  QByteArray b(4096, '\0');
  std::memcpy(b.data(), "DDS ", 4);
  Put32(b, 4, 124);
  Put32(b, 12, h);
  Put32(b, 16, w);
  Put32(b, 80, flags);
  if (flags == 4) std::memcpy(b.data() + 84, "DXT5", 4);
  else Put32(b, 88, 32);
  return b;
}

QByteArray JpegClaiming(std::uint16_t w, std::uint16_t h) {
  QByteArray b = ondrel_test::ReadFile(ondrel_test::Fixture("jpeg/photo.jpg"));
  const int sof = int(b.indexOf("\xFF\xC0"));
  b[sof + 5] = char(h >> 8);
  b[sof + 6] = char(h);
  b[sof + 7] = char(w >> 8);
  b[sof + 8] = char(w);
  return b;
}

QByteArray PngClaiming(std::uint32_t w, std::uint32_t h) {
  QByteArray b = ondrel_test::ReadFile(ondrel_test::Fixture("png/rgba8.png"));
  for (int i = 0; i < 4; ++i) {
    b[16 + i] = char(w >> (24 - 8 * i));
    b[20 + i] = char(h >> (24 - 8 * i));
  }
  const std::uint32_t crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(b.constData()) + 12, 17));
  for (int i = 0; i < 4; ++i) b[29 + i] = char(crc >> (24 - 8 * i));
  return b;
}

QByteArray BmpClaiming(std::int32_t w, std::int32_t h, std::uint32_t compression) {
  QByteArray b = ondrel_test::ReadFile(ondrel_test::Fixture("bmp/photo24.bmp"));
  Put32(b, 18, std::uint32_t(w));
  Put32(b, 22, std::uint32_t(h));
  Put32(b, 30, compression);
  return b;
}

class OversizedHeaders : public ::testing::TestWithParam<Oversized> {};

TEST_P(OversizedHeaders, RefusedWithAnException) {
  const auto& c = GetParam();
  const QByteArray bytes = c.make();
  TBitmap target;
  const QString ext = c.extension;
  if (ext == ".png") {
    EXPECT_THROW(DecodePng(bytes, target), ImageLoadError);
  } else {
    auto object = FindPictureFormat("x" + ext)->create();
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_THROW(object->LoadFromStream(buffer), ImageLoadError);
  }
  // Through the dispatcher: the one load-error report.
  QTemporaryDir dir;
  const QString path = dir.path() + "/hostile" + ext;
  ondrel_test::WriteFile(path, bytes);
  QStringList errors;
  OpenImage(path, target, {}, [&](const QString& n) { errors << n; });
  EXPECT_EQ(errors, QStringList{"hostile" + ext});
}

INSTANTIATE_TEST_SUITE_P(
    All, OversizedHeaders,
    ::testing::Values(
        Oversized{"BlpPastLimit", ".blp", [] { return BlpClaiming("BLP1", 20000, 20000, 1); }},
        Oversized{"BlpPalettedShortFile", ".blp", [] { return BlpClaiming("BLP2", 4096, 4096, 1); }},
        Oversized{"BlpJpegShortFile", ".blp", [] { return BlpClaiming("BLP1", 16384, 16384, 0); }},
        Oversized{"BlpHugeSide", ".blp", [] { return BlpClaiming("BLP1", 0x80000000u, 1, 1); }},
        // BLP2 content the library reports the size of but decodes nothing of.
        Oversized{"Blp2JpegType", ".blp", [] { return BlpClaiming("BLP2", 32, 32, 0); }},
        Oversized{"Blp2UnknownEncoding", ".blp",
                  [] {
                    QByteArray b = BlpClaiming("BLP2", 32, 32, 1);
                    b[8] = 4;
                    return b;
                  }},
        Oversized{"TgaPastLimit", ".tga", [] { return TgaClaiming(2, 65535, 65535); }},
        Oversized{"TgaShortFile", ".tga", [] { return TgaClaiming(2, 4000, 4000); }},
        Oversized{"TgaRleShortFile", ".tga", [] { return TgaClaiming(10, 16000, 16000); }},
        Oversized{"DdsPastLimit", ".dds", [] { return DdsClaiming(0x41, 100000, 100000); }},
        Oversized{"DdsShortFile", ".dds", [] { return DdsClaiming(0x41, 4096, 4096); }},
        Oversized{"DdsDxtShortFile", ".dds", [] { return DdsClaiming(4, 8192, 8192); }},
        // Pixel formats the library decodes nothing of: no blank image of the claimed size.
        Oversized{"DdsUnknownCode", ".dds",
                  [] {
                    QByteArray b = DdsClaiming(4, 4096, 4096);
                    std::memcpy(b.data() + 84, "ATI2", 4);
                    return b;
                  }},
        Oversized{"DdsNoPixelFormat", ".dds", [] { return DdsClaiming(0, 4096, 4096); }},
        Oversized{"JpegShortFile", ".jpg", [] { return JpegClaiming(60000, 60000); }},
        Oversized{"PngPastLimit", ".png", [] { return PngClaiming(60000, 60000); }},
        Oversized{"PngShortFile", ".png", [] { return PngClaiming(8000, 8000); }},
        Oversized{"BmpPastLimit", ".bmp", [] { return BmpClaiming(70000, 70000, 0); }},
        Oversized{"BmpShortFile", ".bmp", [] { return BmpClaiming(5000, -5000, 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Every fixture of every format, cut at every length and with one bit flipped at every byte:
// the loaders either load or throw, and never touch memory outside their buffers.
TEST(LoaderSweep, TruncationsAndBitFlips) {
  QStringList files;
  for (const QString& folder : {QString(ONDREL_FIXTURES), QString(ONDREL_SOURCE_DIR "/fuzz/corpus/fuzz_optimize_blp")}) {
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString f = it.next();
      const auto& known = ImageExtensions();
      if (std::find(known.begin(), known.end(), LowerExtension(f)) != known.end()) files << f;
    }
  }
  ASSERT_GE(files.size(), 25);
  int loads = 0, refusals = 0;
  for (const QString& f : files) {
    const QString ext = LowerExtension(f);
    const QByteArray original = ondrel_test::ReadFile(f);
    TBitmap target;
    ASSERT_TRUE(LoadInMemory(ext, original, target)) << f.toStdString();
    // Large files are swept over their first kilobytes and a stride of the rest.
    const qsizetype step = original.size() > 4096 ? original.size() / 1024 : 1;
    for (qsizetype n = 0; n < original.size(); n += (n < 1024 ? 1 : step)) {
      (LoadInMemory(ext, original.left(n), target) ? loads : refusals)++;
      QByteArray flipped = original;
      flipped[n] = char(flipped[n] ^ (1 << (n % 8)));
      (LoadInMemory(ext, flipped, target) ? loads : refusals)++;
    }
  }
  EXPECT_GT(refusals, 0);
  EXPECT_GT(loads, 0);
}

}  // namespace
