// PNG through libpng: every colour type and depth against its reference, and the writer's
// deflate level and exact filter set.
#include <gtest/gtest.h>

#include <png.h>

#include <QDir>
#include <QFileInfo>
#include <zlib.h>

#include <cstring>

#include "UnitBLPImageUtils.hpp"
#include "png_codec.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

struct PngCase {
  const char* name;
  bool paletted, interlaced;
  int alphaBits;
};

class PngFixtures : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngFixtures, DecodesLikeItsReference) {
  const auto& c = GetParam();
  const QString base = ondrel_test::Fixture(QString("png/") + c.name);
  TBitmap bitmap;
  const PngFacts facts = LoadPngImage(base + ".png", bitmap);
  EXPECT_EQ(facts.paletted, c.paletted);
  EXPECT_EQ(facts.interlaced, c.interlaced);
  EXPECT_EQ(facts.alphaBits, c.alphaBits);
  const QByteArray ref = ondrel_test::ReadFile(base + ".ref");
  std::uint32_t w, h, channels;
  std::memcpy(&w, ref.constData(), 4);
  std::memcpy(&h, ref.constData() + 4, 4);
  std::memcpy(&channels, ref.constData() + 8, 4);
  ASSERT_EQ(bitmap.width(), int(w));
  ASSERT_EQ(bitmap.height(), int(h));
  ASSERT_EQ(bitmap.pixelFormat(), channels == 4 ? PixelFormat::Bit32 : PixelFormat::Bit24);
  TBitmap expected;
  expected.reset(int(w), int(h), bitmap.pixelFormat());
  expected.copyFromPacked(reinterpret_cast<const std::uint8_t*>(ref.constData()) + 12);
  EXPECT_TRUE(ondrel_test::SamePixels(bitmap, expected));
}

INSTANTIATE_TEST_SUITE_P(
    All, PngFixtures,
    ::testing::Values(PngCase{"pal8", true, false, 0}, PngCase{"pal8_trns", true, false, 8},
                      PngCase{"pal4_trns", true, false, 8}, PngCase{"pal2", true, false, 0},
                      PngCase{"pal1", true, false, 0}, PngCase{"grey8", false, false, 0},
                      PngCase{"grey4", false, false, 0}, PngCase{"grey8_key", false, false, 8},
                      PngCase{"grey2_key", false, false, 8}, PngCase{"grey16", false, false, 0},
                      PngCase{"grey_alpha8", false, false, 8}, PngCase{"rgb8", false, false, 0},
                      PngCase{"rgb8_key", false, false, 8}, PngCase{"rgba8", false, false, 8},
                      PngCase{"rgba16", false, false, 8},
                      PngCase{"rgba8_interlaced", false, true, 8}),
    [](const auto& info) { return std::string(info.param.name); });

// The filter bytes each row of a written file starts with, read back with libpng's help.
std::vector<int> RowFilters(const QByteArray& file) {
  // Inflate the IDAT data and read the first byte of every row.
  std::vector<std::uint8_t> idat;
  std::size_t pos = 8;
  std::uint32_t width = 0, height = 0;
  int bpp = 0;
  while (pos + 8 <= std::size_t(file.size())) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(file.constData()) + pos;
    const std::uint32_t len = (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    if (std::memcmp(p + 4, "IHDR", 4) == 0) {
      width = (p[8] << 24) | (p[9] << 16) | (p[10] << 8) | p[11];
      height = (p[12] << 24) | (p[13] << 16) | (p[14] << 8) | p[15];
      bpp = p[17] == 6 ? 4 : 3;
    }
    if (std::memcmp(p + 4, "IDAT", 4) == 0) idat.insert(idat.end(), p + 8, p + 8 + len);
    pos += 12 + len;
  }
  std::vector<std::uint8_t> raw((std::size_t(width) * bpp + 1) * height);
  z_stream z{};
  inflateInit(&z);
  z.next_in = idat.data();
  z.avail_in = uInt(idat.size());
  z.next_out = raw.data();
  z.avail_out = uInt(raw.size());
  inflate(&z, Z_FINISH);
  inflateEnd(&z);
  std::vector<int> filters;
  for (std::uint32_t y = 0; y < height; ++y) filters.push_back(raw[y * (std::size_t(width) * bpp + 1)]);
  return filters;
}

TEST(PngWriter, FilterSetIsExact) {
  EXPECT_EQ(PngFilterMask({}), PNG_FILTER_NONE);
  PngWriteOptions paeth;
  paeth.filterPaeth = true;
  EXPECT_EQ(PngFilterMask(paeth), PNG_FILTER_PAETH);
  const TBitmap photo = ondrel_test::PhotoBitmap(40, 30, false);
  struct Case {
    PngWriteOptions options;
    std::vector<int> allowed;
  } cases[] = {
      {{9, false, false, false, false}, {0}},
      {{9, true, false, false, false}, {1}},
      {{9, false, true, false, false}, {2}},
      {{9, false, false, true, false}, {3}},
      {{9, false, false, false, true}, {4}},
      {{6, true, false, false, true}, {1, 4}},
  };
  for (const auto& c : cases) {
    for (const int f : RowFilters(EncodePng(photo, c.options)))
      EXPECT_NE(std::find(c.allowed.begin(), c.allowed.end(), f), c.allowed.end()) << f;
  }
}

TEST(PngWriter, RoundTripBothFormatsAndLevels) {
  QTemporaryDir dir;
  for (const bool alpha : {false, true}) {
    const TBitmap photo = ondrel_test::PhotoBitmap(33, 17, alpha);
    qsizetype previous = 0;
    for (const int level : {0, 1, 9}) {
      FileFormatOptions options;
      options.png.PngCompression = std::uint8_t(level);
      const QString path = dir.filePath("p.png");
      SavePngImage(path, photo, options);
      TBitmap back;
      const PngFacts facts = LoadPngImage(path, back);
      EXPECT_TRUE(ondrel_test::SamePixels(back, photo));
      EXPECT_EQ(facts.alphaBits, alpha ? 8 : 0);
      const qsizetype size = QFileInfo(path).size();
      if (level == 0) {
        EXPECT_GT(size, 33 * 17 * (alpha ? 4 : 3));  // stored, not deflated
      }
      if (previous) {
        EXPECT_LE(size, previous);
      }
      previous = size;
    }
  }
}

}  // namespace
