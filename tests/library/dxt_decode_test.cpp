// DXT decoding: the colour and alpha tables of single blocks, and the block layout of whole
// levels (row-major blocks, clipped edge blocks, short inputs and short outputs).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "dxt.hpp"

namespace {

using ormel::dxt::Format;
using Pixel = std::array<std::uint8_t, 4>;  // blue, green, red, alpha

constexpr std::uint8_t kUntouched = 0xCD;

void Put16(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

Pixel PixelAt(const std::vector<std::uint8_t>& px, std::size_t i) {
  return {px[4 * i], px[4 * i + 1], px[4 * i + 2], px[4 * i + 3]};
}

std::vector<std::uint8_t> DecodeOne(Format f, const std::vector<std::uint8_t>& block) {
  std::vector<std::uint8_t> px(64, kUntouched);
  ormel::dxt::DecodeImage(f, block, px, 4, 4);
  return px;
}

// ---- Colour blocks: pixel p uses index p mod 4, so one block shows all four colours. ----

struct ColorCase {
  const char* name;
  Format format;
  std::uint16_t c0, c1;
  std::array<Pixel, 4> colors;  // alpha of the colour block itself (DXT1), else 255
};

class DxtColorBlock : public testing::TestWithParam<ColorCase> {};

TEST_P(DxtColorBlock, DecodesTheFourColors) {
  const ColorCase& c = GetParam();
  std::vector<std::uint8_t> block;
  if (c.format == Format::Dxt3) block.assign(8, 0xFF);  // every alpha nibble 15
  if (c.format == Format::Dxt5) block = {255, 0, 0, 0, 0, 0, 0, 0};  // every alpha index 0
  Put16(block, c.c0);
  Put16(block, c.c1);
  Put32(block, 0xE4E4E4E4u);  // indices 0, 1, 2, 3 in every row
  const auto px = DecodeOne(c.format, block);
  for (int p = 0; p < 16; ++p) EXPECT_EQ(PixelAt(px, p), c.colors[p % 4]) << "pixel " << p;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DxtColorBlock,
    testing::Values(
        // Black endpoints, c0 <= c1: three-colour mode, index 3 is transparent black.
        ColorCase{"Dxt1BlackThreeColor", Format::Dxt1, 0x0000, 0x0000,
                  {{{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 0}}}},
        // Widening by bit replication: 0xFFFF is white 255, 255, 255; thirds truncate.
        ColorCase{"Dxt1WhiteBlack", Format::Dxt1, 0xFFFF, 0x0000,
                  {{{255, 255, 255, 255}, {0, 0, 0, 255}, {170, 170, 170, 255},
                    {85, 85, 85, 255}}}},
        ColorCase{"Dxt1RedBlue", Format::Dxt1, 0xF800, 0x001F,
                  {{{0, 0, 255, 255}, {255, 0, 0, 255}, {85, 0, 170, 255},
                    {170, 0, 85, 255}}}},
        ColorCase{"Dxt1BlueRedThreeColor", Format::Dxt1, 0x001F, 0xF800,
                  {{{255, 0, 0, 255}, {0, 0, 255, 255}, {127, 0, 127, 255}, {0, 0, 0, 0}}}},
        // Low bits are copied from the high ones: 0x8410 is 132, 130, 132, not 128.
        ColorCase{"Dxt1MidGreyAndLevelOne", Format::Dxt1, 0x8410, 0x0821,
                  {{{132, 130, 132, 255}, {8, 4, 8, 255}, {90, 88, 90, 255},
                    {49, 46, 49, 255}}}},
        // DXT3 and DXT5 colour blocks are always in four-colour mode.
        ColorCase{"Dxt3BlueRed", Format::Dxt3, 0x001F, 0xF800,
                  {{{255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255},
                    {85, 0, 170, 255}}}},
        ColorCase{"Dxt5BlueRed", Format::Dxt5, 0x001F, 0xF800,
                  {{{255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255},
                    {85, 0, 170, 255}}}},
        ColorCase{"Dxt5Black", Format::Dxt5, 0x0000, 0x0000,
                  {{{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}}}}),
    [](const auto& info) { return info.param.name; });

TEST(DxtDecode, Dxt1AllIndex3WithEqualEndpointsIsTransparentBlack) {
  std::vector<std::uint8_t> block;
  Put16(block, 0);
  Put16(block, 0);
  Put32(block, 0xFFFFFFFFu);
  const auto px = DecodeOne(Format::Dxt1, block);
  EXPECT_EQ(px, std::vector<std::uint8_t>(64, 0));
}

// ---- Alpha blocks: pixel p uses alpha index p mod 8 (DXT5) or nibble p (DXT3). ----

struct Dxt5AlphaCase {
  std::uint8_t a0, a1;
  std::array<std::uint8_t, 8> values;
};

class Dxt5AlphaBlock : public testing::TestWithParam<Dxt5AlphaCase> {};

TEST_P(Dxt5AlphaBlock, DecodesTheAlphaTable) {
  const auto& c = GetParam();
  std::vector<std::uint8_t> block = {c.a0, c.a1};
  std::uint64_t bits = 0;
  for (int p = 0; p < 16; ++p) bits |= std::uint64_t(p % 8) << (3 * p);
  for (int i = 0; i < 6; ++i) block.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  Put16(block, 0xFFFF);
  Put16(block, 0x0000);
  Put32(block, 0);
  const auto px = DecodeOne(Format::Dxt5, block);
  for (int p = 0; p < 16; ++p) {
    EXPECT_EQ(px[4 * p + 3], c.values[p % 8]) << "pixel " << p;
    EXPECT_EQ(px[4 * p + 2], 255) << "pixel " << p;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Dxt5AlphaBlock,
    testing::Values(Dxt5AlphaCase{255, 0, {255, 0, 219, 182, 146, 109, 73, 36}},
                    Dxt5AlphaCase{0, 255, {0, 255, 51, 102, 153, 204, 0, 255}},
                    Dxt5AlphaCase{100, 100, {100, 100, 100, 100, 100, 100, 0, 255}},
                    Dxt5AlphaCase{200, 100, {200, 100, 186, 171, 157, 143, 129, 114}}));

TEST(DxtDecode, Dxt3NibblesAreMultipliedBy17) {
  std::vector<std::uint8_t> block;
  for (int row = 0; row < 4; ++row) {  // nibble of pixel p is p
    const int base = 4 * row;
    Put16(block, base | (base + 1) << 4 | (base + 2) << 8 | (base + 3) << 12);
  }
  Put16(block, 0x07E0);
  Put16(block, 0x0000);
  Put32(block, 0);
  const auto px = DecodeOne(Format::Dxt3, block);
  for (int p = 0; p < 16; ++p) {
    EXPECT_EQ(px[4 * p + 3], 17 * p) << "pixel " << p;
    EXPECT_EQ(px[4 * p + 1], 255) << "pixel " << p;
  }
  EXPECT_EQ(px[4 * 8 + 3], 136);
  EXPECT_EQ(px[4 * 15 + 3], 255);
}

// ---- Levels: block k is a solid block of its own colour (and alpha), index 0 everywhere. ----

std::uint16_t ColorOfBlock(std::size_t k) { return static_cast<std::uint16_t>(0x1234 + 0x0F0F * k); }
std::uint8_t AlphaOfBlock(Format f, std::size_t k) {
  if (f == Format::Dxt1) return 255;
  if (f == Format::Dxt3) return static_cast<std::uint8_t>(17 * (k % 16));
  return static_cast<std::uint8_t>(13 + 29 * k);
}

std::vector<std::uint8_t> SolidBlocks(Format f, std::size_t count) {
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k < count; ++k) {
    if (f == Format::Dxt3) {
      const unsigned n = k % 16;
      for (int r = 0; r < 4; ++r) Put16(out, n * 0x1111);
    } else if (f == Format::Dxt5) {
      const std::uint8_t a = AlphaOfBlock(f, k);
      out.insert(out.end(), {a, a, 0, 0, 0, 0, 0, 0});
    }
    Put16(out, ColorOfBlock(k));
    Put16(out, 0);
    Put32(out, 0);
  }
  return out;
}

Pixel ExpectedPixelOfBlock(Format f, std::size_t k) {
  const unsigned c = ColorOfBlock(k);
  const unsigned b = c & 31, g = (c >> 5) & 63, r = c >> 11;
  return {static_cast<std::uint8_t>(b << 3 | b >> 2), static_cast<std::uint8_t>(g << 2 | g >> 4),
          static_cast<std::uint8_t>(r << 3 | r >> 2), AlphaOfBlock(f, k)};
}

struct LevelCase {
  Format format;
  std::uint32_t w, h;
};

class DxtLevel : public testing::TestWithParam<LevelCase> {
 protected:
  std::size_t BlocksPerRow() const { return (GetParam().w + 3) / 4; }
  std::size_t BlockCount() const { return BlocksPerRow() * ((GetParam().h + 3) / 4); }
  std::size_t BlockOf(std::uint32_t x, std::uint32_t y) const {
    return y / 4 * BlocksPerRow() + x / 4;
  }
  // Decodes into a buffer of `pixelBytes` that sits inside a larger one; the bytes after it
  // must stay untouched.
  std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& blocks, std::size_t pixelBytes) {
    std::vector<std::uint8_t> buffer(pixelBytes + 64, kUntouched);
    ormel::dxt::DecodeImage(GetParam().format, blocks, std::span(buffer).first(pixelBytes),
                            GetParam().w, GetParam().h);
    for (std::size_t i = pixelBytes; i < buffer.size(); ++i)
      EXPECT_EQ(buffer[i], kUntouched) << "written past the pixels at byte " << i;
    buffer.resize(pixelBytes);
    return buffer;
  }
  std::size_t LevelPixelBytes() const { return std::size_t{GetParam().w} * GetParam().h * 4; }
};

TEST_P(DxtLevel, BlocksAreRowMajorAndEdgeBlocksClipped) {
  const auto [f, w, h] = GetParam();
  const auto blocks = SolidBlocks(f, BlockCount());
  ASSERT_EQ(blocks.size(), ormel::dxt::LevelBytes(f, w, h));
  const auto px = Decode(blocks, LevelPixelBytes());
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x)
      ASSERT_EQ(PixelAt(px, y * w + x), ExpectedPixelOfBlock(f, BlockOf(x, y))) << x << "," << y;
}

TEST_P(DxtLevel, MissingBlocksLeavePixelsUnchanged) {
  const auto [f, w, h] = GetParam();
  auto blocks = SolidBlocks(f, BlockCount());
  blocks.pop_back();  // the last block is no longer whole
  const auto px = Decode(blocks, LevelPixelBytes());
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::size_t k = BlockOf(x, y);
      const Pixel expected = k + 1 == BlockCount()
                                 ? Pixel{kUntouched, kUntouched, kUntouched, kUntouched}
                                 : ExpectedPixelOfBlock(f, k);
      ASSERT_EQ(PixelAt(px, y * w + x), expected) << x << "," << y;
    }
}

TEST_P(DxtLevel, ShortPixelBufferIsFilledUpToItsEnd) {
  const auto [f, w, h] = GetParam();
  const auto blocks = SolidBlocks(f, BlockCount());
  // The last pixel and a half missing (half a pixel for a 1 x 1 level).
  const std::size_t size = LevelPixelBytes() - (LevelPixelBytes() > 8 ? 6 : 2);
  const auto px = Decode(blocks, size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint32_t x = (i / 4) % w, y = (i / 4) / w;
    ASSERT_EQ(px[i], ExpectedPixelOfBlock(f, BlockOf(x, y))[i % 4]) << "byte " << i;
  }
}

TEST_P(DxtLevel, ZeroWidthOrHeightWritesNothing) {
  const auto [f, w, h] = GetParam();
  const auto blocks = SolidBlocks(f, BlockCount());
  std::vector<std::uint8_t> px(LevelPixelBytes(), kUntouched);
  ormel::dxt::DecodeImage(f, blocks, px, 0, h);
  ormel::dxt::DecodeImage(f, blocks, px, w, 0);
  EXPECT_EQ(px, std::vector<std::uint8_t>(px.size(), kUntouched));
}

std::vector<LevelCase> LevelCases() {
  std::vector<LevelCase> cases;
  for (Format f : {Format::Dxt1, Format::Dxt3, Format::Dxt5})
    for (auto [w, h] : {std::pair{4u, 4u}, {8u, 8u}, {5u, 3u}, {1u, 1u}, {2u, 2u}, {13u, 7u}, {3u, 9u}})
      cases.push_back({f, w, h});
  return cases;
}

std::string LevelCaseName(const testing::TestParamInfo<LevelCase>& info) {
  static const char* const kNames[] = {"Dxt1", "Dxt3", "Dxt5"};
  return std::string(kNames[static_cast<int>(info.param.format)]) + "_" +
         std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DxtLevel, testing::ValuesIn(LevelCases()), LevelCaseName);

TEST(DxtDecode, LevelBytesCountsWholeBlocks) {
  EXPECT_EQ(ormel::dxt::LevelBytes(Format::Dxt1, 5, 3), 16u);
  EXPECT_EQ(ormel::dxt::LevelBytes(Format::Dxt5, 1, 1), 16u);
  EXPECT_EQ(ormel::dxt::LevelBytes(Format::Dxt3, 64, 16), 1024u);
  EXPECT_EQ(ormel::dxt::LevelBytes(Format::Dxt1, 0, 16), 0u);
}

}  // namespace
