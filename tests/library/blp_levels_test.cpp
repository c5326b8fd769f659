// Level sizes derived from the stored sizes, and which table entry a mipmap index reads.
#include <gtest/gtest.h>

#include "blp_decoding.hpp"
#include "blp_format.hpp"

namespace {

using namespace ondrel_test;
using ormel::blp::DeriveLevelSize;
using ormel::blp::DxtFloor;
using ormel::blp::PixelFloor;

struct SizeCase {
  const char* name;
  std::uint32_t w0, h0, size0, sizeK;
  bool dxt;
  std::uint32_t w, h;
};

class LevelSize : public testing::TestWithParam<SizeCase> {};

TEST_P(LevelSize, Derived) {
  const SizeCase& c = GetParam();
  const auto floor = c.dxt ? DxtFloor(c.w0, c.h0) : PixelFloor();
  const auto s = DeriveLevelSize(c.w0, c.h0, c.size0, c.sizeK, floor);
  EXPECT_EQ(s.width, c.w);
  EXPECT_EQ(s.height, c.h);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LevelSize,
    testing::Values(
        // Square paletted: level 3 of 256 x 256 is 1,024 bytes (2,048 with alpha), 32 x 32.
        SizeCase{"Paletted256Level3", 256, 256, 65536, 1024, false, 32, 32},
        SizeCase{"Paletted256Level3Alpha", 256, 256, 131072, 2048, false, 32, 32},
        SizeCase{"Paletted256Level8", 256, 256, 65536, 1, false, 1, 1},
        // Long and thin: once the short side is 1 each halving only halves the area.
        SizeCase{"Paletted512x64Level7", 512, 64, 32768, 4, false, 4, 1},
        SizeCase{"Paletted512x64Level9", 512, 64, 32768, 1, false, 1, 1},
        SizeCase{"Paletted16x2Level3", 16, 2, 32, 2, false, 2, 1},
        // DXT: 64 x 16 levels 4 to 6 are one block each, 4 x 4.
        SizeCase{"Dxt64x16Level3", 64, 16, 512, 16, true, 8, 4},
        SizeCase{"Dxt64x16Level4", 64, 16, 512, 8, true, 4, 4},
        // 256 x 256 DXT1 levels 7 and 8 are both one 8-byte block.
        SizeCase{"Dxt256Level7", 256, 256, 32768, 8, true, 4, 4},
        SizeCase{"Dxt256Level2", 256, 256, 32768, 2048, true, 64, 64},
        // A DXT level-0 side below 4 is its own floor: the level never grows.
        SizeCase{"Dxt2x2", 2, 2, 8, 8, true, 2, 2},
        SizeCase{"Dxt2x16", 2, 16, 32, 8, true, 2, 4},
        // Neither side can halve any further: the walk stops whatever the ratio says.
        SizeCase{"DxtStopsAtOneBlock", 8, 8, 32, 1, true, 4, 4},
        SizeCase{"PixelStopsAt1x1", 4, 4, 4000, 1, false, 1, 1},
        // A stored level-0 size of 0 is harmless: ratio 0, level-0 size.
        SizeCase{"ZeroLevel0Size", 64, 64, 0, 16, false, 64, 64}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LevelSize, ZeroStoredSizeThrows) {
  EXPECT_THROW(DeriveLevelSize(16, 16, 256, 0, PixelFloor()), ormel::DivisionByZero);
}

// A 16 x 2 chain whose entry 15 repeats level 3; every level decodes to its own size and
// pixels, and every index from 15 up reads entry 15.
TEST(LevelSize, ThinChainAndIndicesPast15) {
  const ByteVector palette = TestPalette();
  std::vector<ByteVector> levels;
  const std::uint32_t sides[][2] = {{16, 2}, {8, 1}, {4, 1}, {2, 1}, {1, 1}};
  for (int k = 0; k < 5; ++k) levels.push_back(Sequence(sides[k][0] * sides[k][1], 10 + k));
  ByteVector file = Make(Blp1File{.width = 16, .height = 2, .content = palette, .levels = levels});
  for (int k = 0; k < 5; ++k) {
    const Decoded d = DecodeBlp(file, k);
    ASSERT_TRUE(d.decoded);
    EXPECT_EQ(d.width, sides[k][0]) << "level " << k;
    EXPECT_EQ(d.height, sides[k][1]) << "level " << k;
    EXPECT_EQ(d.Head(levels[k].size()), PalettedPixels(palette, levels[k], {})) << "level " << k;
    EXPECT_TRUE(d.UntouchedFrom(levels[k].size())) << "level " << k;
  }
  PutU32(file, 28 + 4 * 15, ormel::LoadU32LE(file.data() + 28 + 4 * 3));
  PutU32(file, 92 + 4 * 15, ormel::LoadU32LE(file.data() + 92 + 4 * 3));
  for (unsigned index : {15u, 16u, 200u, 65535u}) {
    const Decoded d = DecodeBlp(file, index);
    EXPECT_EQ(d.width, 2) << index;
    EXPECT_EQ(d.height, 1) << index;
    EXPECT_EQ(d.Head(2), PalettedPixels(palette, levels[3], {})) << index;
  }
}

TEST(LevelSize, ZeroStoredSizeReportsLevel0AndLeavesBuffer) {
  const ByteVector file = Make(Blp2File{.width = 8, .height = 8, .palette = TestPalette(),
                                        .levels = {Sequence(64, 1)}});
  Decoded d;
  d.pixels.assign(256, kSentinel);
  EXPECT_THROW(ormel::blp::Decode(file, 1, d.pixels, d.width, d.height), ormel::DivisionByZero);
  EXPECT_EQ(d.width, 8);
  EXPECT_EQ(d.height, 8);
  EXPECT_TRUE(d.UntouchedFrom(0));
}

}  // namespace
