// BLP2 DXT content: the block format chosen by alpha depth and encoding, level sizes of
// square and long thin chains, and short or tiny levels.
#include <gtest/gtest.h>

#include "blp_decoding.hpp"
#include "dxt.hpp"

namespace {

using namespace ondrel_test;
using ormel::dxt::Format;

ByteVector Expected(Format f, const ByteVector& blocks, std::uint32_t w, std::uint32_t h) {
  ByteVector px(std::size_t{w} * h * 4, kSentinel);
  ormel::dxt::DecodeImage(f, blocks, px, w, h);
  return px;
}

struct FormatCase {
  const char* name;
  std::uint8_t alphaDepth, alphaEncoding;
  Format format;
};

class BlpDxtFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(BlpDxtFormat, ChosenByAlphaDepthAndEncoding) {
  const auto& c = GetParam();
  const ByteVector blocks = Sequence(ormel::dxt::LevelBytes(c.format, 8, 4), 21);
  const ByteVector file = Make(Blp2File{.encoding = 2, .alphaDepth = c.alphaDepth,
                                        .alphaEncoding = c.alphaEncoding, .width = 8,
                                        .height = 4, .levels = {blocks}});
  const Decoded d = DecodeBlp(file, 0);
  ASSERT_TRUE(d.decoded);
  EXPECT_EQ(d.pixels, Expected(c.format, blocks, 8, 4));
  for (Format other : {Format::Dxt1, Format::Dxt3, Format::Dxt5})
    if (other != c.format) {
      EXPECT_NE(d.pixels, Expected(other, blocks, 8, 4));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlpDxtFormat,
    testing::Values(FormatCase{"NoAlpha", 0, 0, Format::Dxt1},
                    FormatCase{"Depth8Encoding1", 8, 1, Format::Dxt3},
                    FormatCase{"Depth8Encoding7", 8, 7, Format::Dxt5},
                    FormatCase{"Depth8Encoding8", 8, 8, Format::Dxt1},
                    FormatCase{"Depth1Encoding7", 1, 7, Format::Dxt1},
                    FormatCase{"Depth0Encoding1", 0, 1, Format::Dxt1}),
    [](const auto& info) { return std::string(info.param.name); });

// A DXT1 chain whose level k is one solid colour; `sides` receives each level's size.
ByteVector SolidChain(std::uint32_t w0, std::uint32_t h0, int levels,
                      std::vector<std::pair<std::uint32_t, std::uint32_t>>& sides) {
  std::vector<ByteVector> data;
  std::uint32_t w = w0, h = h0;
  for (int k = 0; k < levels; ++k) {
    sides.emplace_back(w, h);
    ByteVector level;
    const auto blocks = ormel::dxt::LevelBytes(Format::Dxt1, w, h) / 8;
    for (std::uint64_t b = 0; b < blocks; ++b)
      Append(level, SolidDxt1Block(static_cast<std::uint16_t>(0x0841 * (k + 1))));
    data.push_back(level);
    w = std::max(w / 2, std::min(4u, w0));
    h = std::max(h / 2, std::min(4u, h0));
  }
  return Make(Blp2File{.encoding = 2, .width = w0, .height = h0, .levels = data});
}

void ExpectSolidLevels(const ByteVector& file,
                       const std::vector<std::pair<std::uint32_t, std::uint32_t>>& sides) {
  for (std::size_t k = 0; k < sides.size(); ++k) {
    const auto [w, h] = sides[k];
    const Decoded d = DecodeBlp(file, static_cast<unsigned>(k));
    EXPECT_EQ(d.width, w) << "level " << k;
    EXPECT_EQ(d.height, h) << "level " << k;
    const ByteVector one =
        Expected(Format::Dxt1, SolidDxt1Block(static_cast<std::uint16_t>(0x0841 * (k + 1))), 1, 1);
    for (std::size_t i = 0; i < std::size_t{w} * h; ++i)
      ASSERT_TRUE(std::equal(one.begin(), one.end(), d.pixels.begin() + 4 * i))
          << "level " << k << " pixel " << i;
    EXPECT_TRUE(d.UntouchedFrom(std::size_t{w} * h)) << "level " << k;
  }
}

TEST(BlpDxtLevels, LongThinChain64x16) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sides;
  const ByteVector file = SolidChain(64, 16, 7, sides);
  ASSERT_EQ(sides[3], std::make_pair(8u, 4u));
  ASSERT_EQ(sides[4], std::make_pair(4u, 4u));
  ASSERT_EQ(sides[6], std::make_pair(4u, 4u));
  ExpectSolidLevels(file, sides);
}

TEST(BlpDxtLevels, SquareChain256Levels7And8AreOneBlock) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sides;
  const ByteVector file = SolidChain(256, 256, 9, sides);
  EXPECT_EQ(ormel::LoadU32LE(file.data() + 20), 148u);
  ASSERT_EQ(sides[7], std::make_pair(4u, 4u));
  ASSERT_EQ(sides[8], std::make_pair(4u, 4u));
  ExpectSolidLevels(file, sides);
}

TEST(BlpDxtLevels, TinyLevel0KeepsItsSize) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sides;
  const ByteVector file = SolidChain(2, 2, 2, sides);
  ExpectSolidLevels(file, sides);
}

TEST(BlpDxtLevels, MissingBlocksKeepTheBuffer) {
  const ByteVector blocks = Sequence(4 * 8, 5);
  ByteVector file = Make(Blp2File{.encoding = 2, .width = 8, .height = 8, .levels = {blocks}});
  PutU32(file, 84, 16);  // two of the four blocks stored
  const Decoded d = DecodeBlp(file, 0);
  const ByteVector top = Expected(Format::Dxt1, ByteVector(blocks.begin(), blocks.begin() + 16), 8, 4);
  EXPECT_EQ(d.Head(32), top);
  EXPECT_TRUE(d.UntouchedFrom(32));

  // The file ends inside the second block: only the first decodes.
  const ByteVector cut(file.begin(), file.begin() + 148 + 12);
  const Decoded c = DecodeBlp(cut, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool first = x < 4;
      const auto* p = &c.pixels[4 * (y * 8 + x)];
      if (first) {
        EXPECT_TRUE(std::equal(p, p + 4, &top[4 * (y * 8 + x)]));
      } else {
        EXPECT_EQ(p[0], kSentinel);
      }
    }
  EXPECT_TRUE(c.UntouchedFrom(32));
}

}  // namespace
