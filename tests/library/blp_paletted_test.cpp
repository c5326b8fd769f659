// Paletted and uncompressed BLP content: alpha plane rules, short levels, bytes outside the
// file, and the kinds the decoder declines.
#include <gtest/gtest.h>

#include "blp_decoding.hpp"

namespace {

using namespace ondrel_test;

// A 5 x 3 level: 15 pixels, so packed planes end inside a byte.
constexpr std::uint32_t kW = 5, kH = 3, kN = kW * kH;

ByteVector AlphaValues(int bits) {
  ByteVector v = Sequence(kN, 99);
  for (auto& a : v) a = static_cast<std::uint8_t>(a >> (8 - bits));
  return v;
}

ByteVector Widen(const ByteVector& values, int bits) {
  ByteVector out(values);
  for (auto& a : out) a = bits == 1 ? (a ? 255 : 0) : bits == 4 ? a * 17 : a;
  return out;
}

struct Blp1AlphaCase {
  const char* name;
  std::uint32_t pictureType, alphaBits;
  int planeBits;  // 0: the level has no alpha plane
};

class Blp1Alpha : public testing::TestWithParam<Blp1AlphaCase> {};

TEST_P(Blp1Alpha, PlaneFromPictureTypeAndAlphaBits) {
  const auto& c = GetParam();
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 7);
  ByteVector level = indices;
  ByteVector alpha;
  if (c.planeBits == 8) {
    alpha = Sequence(kN, 8);
    Append(level, alpha);
  } else if (c.planeBits != 0) {
    alpha = AlphaValues(c.planeBits);
    Append(level, PackAlpha(alpha, c.planeBits));
    alpha = Widen(alpha, c.planeBits);
  }
  const ByteVector file = Make(Blp1File{.compression = 1, .alphaBits = c.alphaBits, .width = kW,
                                        .height = kH, .pictureType = c.pictureType,
                                        .content = palette, .levels = {level}});
  const Decoded d = DecodeBlp(file, 0);
  ASSERT_TRUE(d.decoded);
  EXPECT_EQ(d.width, kW);
  EXPECT_EQ(d.height, kH);
  EXPECT_EQ(d.pixels, PalettedPixels(palette, indices, alpha));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Blp1Alpha,
    testing::Values(Blp1AlphaCase{"Type4Bits0", 4, 0, 8}, Blp1AlphaCase{"Type5Bits8", 5, 8, 8},
                    Blp1AlphaCase{"Type5Bits0", 5, 0, 0}, Blp1AlphaCase{"Type3Bits8", 3, 8, 8},
                    Blp1AlphaCase{"Type4Bits1", 4, 1, 1}, Blp1AlphaCase{"Type4Bits4", 4, 4, 4},
                    // Picture type 5 says no alpha; only alpha bits 8 override it.
                    Blp1AlphaCase{"Type5Bits1", 5, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct Blp2AlphaCase {
  const char* name;
  std::uint8_t alphaDepth;
  int planeBits;
};

class Blp2Alpha : public testing::TestWithParam<Blp2AlphaCase> {};

TEST_P(Blp2Alpha, PlaneFromAlphaDepth) {
  const auto& c = GetParam();
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 3);
  ByteVector level = indices;
  ByteVector alpha;
  if (c.planeBits == 8) {
    alpha = Sequence(kN, 4);
    Append(level, alpha);
  } else if (c.planeBits != 0) {
    alpha = AlphaValues(c.planeBits);
    Append(level, PackAlpha(alpha, c.planeBits));
    alpha = Widen(alpha, c.planeBits);
  }
  const ByteVector file = Make(Blp2File{.encoding = 1, .alphaDepth = c.alphaDepth,
                                        .alphaEncoding = 8, .width = kW, .height = kH,
                                        .palette = palette, .levels = {level}});
  const Decoded d = DecodeBlp(file, 0);
  ASSERT_TRUE(d.decoded);
  EXPECT_EQ(d.pixels, PalettedPixels(palette, indices, alpha));
}

INSTANTIATE_TEST_SUITE_P(Cases, Blp2Alpha,
                         testing::Values(Blp2AlphaCase{"Depth0", 0, 0},
                                         Blp2AlphaCase{"Depth8", 8, 8},
                                         Blp2AlphaCase{"Depth1", 1, 1},
                                         Blp2AlphaCase{"Depth4", 4, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

// Some writers declare a packed plane and store none (alpha depth 1, index plane only), or
// store part of it. The colours still decode; alpha past the stored plane is opaque, and the
// next level's bytes are never taken for it.
TEST(BlpPaletted, PackedPlaneMissingFromTheLevelIsOpaque) {
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 3), next = Sequence(6, 0);
  ByteVector opaque(kN, 255);
  const ByteVector none = Make(Blp2File{.encoding = 1, .alphaDepth = 1, .width = kW,
                                        .height = kH, .palette = palette,
                                        .levels = {indices, next}});
  EXPECT_EQ(DecodeBlp(none, 0).pixels, PalettedPixels(palette, indices, opaque));

  // A 4-bit plane cut after its first byte: pixels 0 and 1 carry it, the rest are opaque.
  const ByteVector alpha = AlphaValues(4);
  const ByteVector packed = PackAlpha(alpha, 4);
  ByteVector level = indices;
  level.push_back(packed[0]);
  const ByteVector part = Make(Blp2File{.encoding = 1, .alphaDepth = 4, .width = kW,
                                        .height = kH, .palette = palette, .levels = {level}});
  ByteVector expected = opaque;
  expected[0] = static_cast<std::uint8_t>(alpha[0] * 17);
  expected[1] = static_cast<std::uint8_t>(alpha[1] * 17);
  EXPECT_EQ(DecodeBlp(part, 0).pixels, PalettedPixels(palette, indices, expected));
}

// 256 x 256 without alpha, 9 levels: level 3 is 1,024 bytes, 32 x 32, every alpha byte 0.
TEST(BlpPaletted, Level3Of256) {
  const ByteVector palette = TestPalette();
  std::vector<ByteVector> levels;
  for (std::uint32_t k = 0, side = 256; k < 9; ++k, side /= 2)
    levels.push_back(Sequence(side * side, k));
  const ByteVector file =
      Make(Blp1File{.width = 256, .height = 256, .content = palette, .levels = levels});
  EXPECT_EQ(ormel::LoadU32LE(file.data() + 28), 1180u);
  const Decoded d = DecodeBlp(file, 3);
  EXPECT_EQ(d.width, 32);
  EXPECT_EQ(d.height, 32);
  EXPECT_EQ(d.Head(1024), PalettedPixels(palette, levels[3], {}));
  EXPECT_TRUE(d.UntouchedFrom(1024));
}

// BLP1 8-bit planes: a level stored longer than two planes keeps its plane at half the stored
// size; one stored shorter still reads a whole plane right after the index plane.
TEST(BlpPaletted, Blp1PlanePositionFollowsStoredSize) {
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 1), alpha = Sequence(kN, 2);
  ByteVector padded = indices;
  Append(padded, ByteVector(4, 0x11));
  Append(padded, alpha);
  Append(padded, ByteVector(4, 0x22));
  const ByteVector longFile = Make(Blp1File{.alphaBits = 8, .width = kW, .height = kH,
                                            .pictureType = 4, .content = palette,
                                            .levels = {padded}});
  EXPECT_EQ(DecodeBlp(longFile, 0).pixels, PalettedPixels(palette, indices, alpha));

  ByteVector whole = indices;
  Append(whole, alpha);
  ByteVector shortFile = Make(Blp1File{.alphaBits = 8, .width = kW, .height = kH,
                                       .pictureType = 4, .content = palette, .levels = {whole}});
  PutU32(shortFile, 92, kN + 3);  // stored size covers the index plane and 3 alpha bytes
  EXPECT_EQ(DecodeBlp(shortFile, 0).pixels, PalettedPixels(palette, indices, alpha));
}

TEST(BlpPaletted, ShortLevelDecodesOnlyStoredPixels) {
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 5);
  ByteVector file = Make(Blp2File{.width = kW, .height = kH, .palette = palette,
                                  .levels = {indices}});
  PutU32(file, 84, 9);
  const Decoded d = DecodeBlp(file, 0);
  EXPECT_EQ(d.Head(9), PalettedPixels(palette, ByteVector(indices.begin(), indices.begin() + 9), {}));
  EXPECT_TRUE(d.UntouchedFrom(9));
}

TEST(BlpPaletted, BytesOutsideTheFileLeavePixelsAlone) {
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 6), alpha = Sequence(kN, 7);
  ByteVector level = indices;
  Append(level, alpha);
  const ByteVector file = Make(Blp2File{.alphaDepth = 8, .width = kW, .height = kH,
                                        .palette = palette, .levels = {level}});
  // Cut inside the alpha plane: the pixels whose alpha is present decode, the rest stay.
  const ByteVector cut(file.begin(), file.end() - 6);
  const Decoded d = DecodeBlp(cut, 0, kN * 4);
  EXPECT_EQ(d.Head(kN - 6), PalettedPixels(palette, ByteVector(indices.begin(), indices.end() - 6),
                                           ByteVector(alpha.begin(), alpha.end() - 6)));
  EXPECT_TRUE(d.UntouchedFrom(kN - 6));

  // An offset past the end: the size is reported, nothing is written.
  ByteVector far = file;
  PutU32(far, 20, 0xFFFFFF00u);
  const Decoded none = DecodeBlp(far, 0);
  EXPECT_TRUE(none.decoded);
  EXPECT_EQ(none.width, kW);
  EXPECT_TRUE(none.UntouchedFrom(0));
}

TEST(BlpPaletted, NeverWritesPastTheBuffer) {
  const ByteVector palette = TestPalette();
  const ByteVector indices = Sequence(kN, 1);
  const ByteVector file = Make(Blp2File{.width = kW, .height = kH, .palette = palette,
                                        .levels = {indices}});
  Decoded d = DecodeBlp(file, 0, 4 * 4 + 3);
  EXPECT_EQ(d.Head(4), PalettedPixels(palette, ByteVector(indices.begin(), indices.begin() + 4), {}));
  EXPECT_TRUE(d.UntouchedFrom(4));
}

TEST(BlpBgra, StoredPixelsCopiedPerLevel) {
  const ByteVector level0 = Sequence(4 * 2 * 4, 1), level1 = Sequence(2 * 1 * 4, 2);
  const ByteVector file = Make(Blp2File{.encoding = 3, .alphaDepth = 8, .width = 4, .height = 2,
                                        .levels = {level0, level1}});
  const Decoded d0 = DecodeBlp(file, 0);
  EXPECT_EQ(d0.pixels, level0);
  const Decoded d1 = DecodeBlp(file, 1);
  EXPECT_EQ(d1.width, 2);
  EXPECT_EQ(d1.height, 1);
  EXPECT_EQ(d1.Head(2), level1);
  EXPECT_TRUE(d1.UntouchedFrom(2));
}

// What the decoder declines: bad signatures and BLP1 compression words touch nothing;
// BLP2 type words and encodings it does not know report the size and decode nothing.
TEST(BlpDecode, DeclinedKinds) {
  const ByteVector blp1 = Make(Blp1File{.width = 2, .height = 2, .content = TestPalette(),
                                        .levels = {Sequence(4, 1)}});
  ByteVector badSignature = blp1;
  badSignature[0] = 'X';
  Decoded d = DecodeBlp(badSignature, 0, 16);
  EXPECT_FALSE(d.decoded);
  EXPECT_EQ(d.width, 0xBEEF);
  EXPECT_TRUE(d.UntouchedFrom(0));

  ByteVector compression2 = blp1;
  PutU32(compression2, 4, 2);
  d = DecodeBlp(compression2, 0, 16);
  EXPECT_FALSE(d.decoded);
  EXPECT_EQ(d.width, 0xBEEF);
  EXPECT_TRUE(d.UntouchedFrom(0));

  for (auto [type, encoding] : {std::pair{2u, 1}, std::pair{1u, 4}, std::pair{1u, 0}}) {
    const ByteVector blp2 = Make(Blp2File{.type = type, .encoding = static_cast<std::uint8_t>(encoding),
                                          .width = 8, .height = 8, .palette = TestPalette(),
                                          .levels = {Sequence(64, 1), Sequence(16, 2)}});
    d = DecodeBlp(blp2, 1);
    EXPECT_FALSE(d.decoded);
    EXPECT_EQ(d.width, 4);
    EXPECT_EQ(d.height, 4);
    EXPECT_TRUE(d.UntouchedFrom(0));
  }
}

TEST(BlpDecode, SidesBeyond16BitsAreRefused) {
  ByteVector file = Make(Blp2File{.encoding = 2, .width = 1, .height = 83886338,
                                  .levels = {ByteVector(8, 0)}});
  Decoded d;
  d.pixels.assign(64, kSentinel);
  EXPECT_THROW(ormel::blp::Decode(file, 0, d.pixels, d.width, d.height), ormel::LimitExceeded);
  EXPECT_EQ(d.width, 0xBEEF);
  EXPECT_TRUE(d.UntouchedFrom(0));
}

}  // namespace
