#include "dds.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "dxt.hpp"
#include "ormel_errors.hpp"
#include "resample.hpp"
#include "synthetic.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Head = std::array<std::uint8_t, 128>;

constexpr std::uint32_t kDxt1 = 0x31545844, kDxt3 = 0x33545844, kDxt5 = 0x35545844;

std::uint32_t U32(const std::uint8_t* p, std::size_t at) { return ormel::LoadU32LE(p + at); }
void Put(Head& h, std::size_t at, std::uint32_t v) { ormel::StoreU32LE(&h[at], v); }

enum class Kind { Rgb24, Rgb32, Dxt1, Dxt3, Dxt5 };

// The head as the program fills it for a save, mipmap request and caps2 included.
Head SaveHead(Kind kind, std::uint32_t w, std::uint32_t h, std::uint32_t reduced,
              bool dither = false) {
  Head hd{};
  Put(hd, 0, 0x20534444);
  Put(hd, 4, 124);
  Put(hd, 8, 0x81007 | (reduced ? 0x20008 : 0));
  Put(hd, 12, h);
  Put(hd, 16, w);
  Put(hd, 28, reduced);
  Put(hd, 76, 32);
  Put(hd, 108, 0x1000 | (reduced ? 0x400008 : 0));
  Put(hd, 112, dither ? 1 : 0);
  switch (kind) {
    case Kind::Rgb24:
    case Kind::Rgb32: {
      const bool alpha = kind == Kind::Rgb32;
      Put(hd, 80, alpha ? 0x41 : 0x40);
      Put(hd, 88, alpha ? 32 : 24);
      Put(hd, 92, 0xFF0000);
      Put(hd, 96, 0xFF00);
      Put(hd, 100, 0xFF);
      Put(hd, 104, alpha ? 0xFF000000 : 0);
      Put(hd, 20, w * h * (alpha ? 4 : 3));
      break;
    }
    default:
      Put(hd, 80, 4);
      Put(hd, 84, kind == Kind::Dxt1 ? kDxt1 : kind == Kind::Dxt3 ? kDxt3 : kDxt5);
      Put(hd, 20, kind == Kind::Dxt1 ? w * h / 2 : w * h);
  }
  return hd;
}

int PixelSizeOf(Kind kind) { return kind == Kind::Rgb32 || kind == Kind::Dxt5 ? 4 : 3; }

Bytes Save(const Bytes& pixels, Head& head) {
  const auto block = ormel::dds::Encode(pixels, head);
  return Bytes(block.data(), block.data() + block.size());
}

struct Decoded {
  Bytes pixels;
  std::uint16_t width = 0, height = 0;
};

Decoded Load(const Bytes& file) {
  Decoded d;
  d.pixels.assign(std::size_t{U32(file.data(), 12)} * U32(file.data(), 16) * 4, 0xCD);
  EXPECT_TRUE(ormel::dds::Decode(file, d.pixels, d.width, d.height));
  return d;
}

// The level chain.
struct ChainCase {
  std::uint32_t w, h, reduced;
  bool compressed;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> levels;
};

class DdsChain : public testing::TestWithParam<ChainCase> {};

TEST_P(DdsChain, HalvesUntilTheSmallestSide) {
  const auto& c = GetParam();
  std::vector<std::pair<std::uint32_t, std::uint32_t>> got;
  for (const auto l : ormel::dds::LevelChain(c.w, c.h, c.reduced, c.compressed))
    got.emplace_back(l.width, l.height);
  EXPECT_EQ(got, c.levels);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, DdsChain,
    testing::Values(
        ChainCase{256, 256, 15, true,
                  {{256, 256}, {128, 128}, {64, 64}, {32, 32}, {16, 16}, {8, 8}, {4, 4}}},
        ChainCase{16, 16, 15, false, {{16, 16}, {8, 8}, {4, 4}, {2, 2}, {1, 1}}},
        ChainCase{256, 64, 15, false,
                  {{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}, {4, 1}}},
        ChainCase{64, 64, 2, true, {{64, 64}, {32, 32}, {16, 16}}},
        ChainCase{64, 64, 0, false, {{64, 64}}},
        // Sides that skip 4 stop at the first level below it instead of running on at 1.
        ChainCase{20, 20, 15, true, {{20, 20}, {10, 10}, {5, 5}, {2, 2}}},
        ChainCase{3, 3, 15, true, {{3, 3}}},
        ChainCase{1, 1, 15, false, {{1, 1}}}));

// Head fields of the written file, per kind, with and without mipmaps.
struct HeadCase {
  Kind kind;
  std::uint32_t reduced;
  std::uint32_t flags, mipmaps, pfFlags, fourCc, bits, alphaMask, caps, linearSize;
  std::size_t fileSize;
};

class DdsSaveHead : public testing::TestWithParam<HeadCase> {};

TEST_P(DdsSaveHead, FollowsTheTable) {
  const auto& c = GetParam();
  const auto pixels = ondrel_test::PhotoLike(256, 256, PixelSizeOf(c.kind), true);
  auto head = SaveHead(c.kind, 256, 256, c.reduced, true);
  const auto file = Save(pixels, head);
  ASSERT_EQ(file.size(), c.fileSize);
  const std::uint8_t* f = file.data();
  EXPECT_EQ(U32(f, 0), 0x20534444u);
  EXPECT_EQ(U32(f, 4), 124u);
  EXPECT_EQ(U32(f, 8), c.flags);
  EXPECT_EQ(U32(f, 12), 256u);
  EXPECT_EQ(U32(f, 16), 256u);
  EXPECT_EQ(U32(f, 20), c.linearSize);
  EXPECT_EQ(U32(f, 24), 0u);
  EXPECT_EQ(U32(f, 28), c.mipmaps);
  for (std::size_t at = 32; at < 76; at += 4) EXPECT_EQ(U32(f, at), 0u) << at;
  EXPECT_EQ(U32(f, 76), 32u);
  EXPECT_EQ(U32(f, 80), c.pfFlags);
  EXPECT_EQ(U32(f, 84), c.fourCc);
  EXPECT_EQ(U32(f, 88), c.bits);
  const bool rgb = c.bits != 0;
  EXPECT_EQ(U32(f, 92), rgb ? 0xFF0000u : 0u);
  EXPECT_EQ(U32(f, 96), rgb ? 0xFF00u : 0u);
  EXPECT_EQ(U32(f, 100), rgb ? 0xFFu : 0u);
  EXPECT_EQ(U32(f, 104), c.alphaMask);
  EXPECT_EQ(U32(f, 108), c.caps);
  for (std::size_t at = 112; at < 128; at += 4) EXPECT_EQ(U32(f, at), 0u) << at;  // caps2 too
  // The caller's head is updated to what was written.
  EXPECT_TRUE(std::equal(head.begin(), head.end(), file.begin()));
}

constexpr std::size_t kDxt5Chain256 = 65536 + 16384 + 4096 + 1024 + 256 + 64 + 16;

INSTANTIATE_TEST_SUITE_P(
    Kinds, DdsSaveHead,
    testing::Values(
        HeadCase{Kind::Dxt5, 15, 0xA100F, 7, 4, kDxt5, 0, 0, 0x401008, 65536,
                 128 + kDxt5Chain256},
        HeadCase{Kind::Dxt5, 0, 0x81007, 0, 4, kDxt5, 0, 0, 0x1000, 65536, 128 + 65536},
        HeadCase{Kind::Dxt1, 15, 0xA100F, 7, 4, kDxt1, 0, 0, 0x401008, 32768,
                 128 + kDxt5Chain256 / 2},
        HeadCase{Kind::Rgb32, 15, 0xA100F, 9, 0x41, 0, 32, 0xFF000000, 0x401008, 262144,
                 128 + 4 * (65536 + 16384 + 4096 + 1024 + 256 + 64 + 16 + 4 + 1)},
        HeadCase{Kind::Rgb24, 0, 0x81007, 0, 0x40, 0, 24, 0, 0x1000, 196608, 128 + 196608}));

TEST(DdsSave, RefusesDxt3AndUnknownCodes) {
  const Bytes pixels(16 * 16 * 4, 0x80);
  auto dxt3 = SaveHead(Kind::Dxt3, 16, 16, 0);
  EXPECT_FALSE(ormel::dds::Encode(pixels, dxt3));
  auto other = SaveHead(Kind::Dxt5, 16, 16, 0);
  Put(other, 84, 0x31495441);  // "ATI1"
  EXPECT_FALSE(ormel::dds::Encode(pixels, other));
}

TEST(DdsSave, ShortPixelBufferIsAnError) {
  auto head = SaveHead(Kind::Rgb32, 16, 16, 0);
  EXPECT_THROW(ormel::dds::Encode(Bytes(16 * 16 * 4 - 1), head), ormel::InvalidData);
}

TEST(DdsSave, UncompressedLevelsAreTheLanczosChain) {
  for (const Kind kind : {Kind::Rgb24, Kind::Rgb32}) {
    const int p = PixelSizeOf(kind);
    const auto pixels = ondrel_test::PhotoLike(24, 10, p, true);
    auto head = SaveHead(kind, 24, 10, 2);
    const auto file = Save(pixels, head);
    ASSERT_EQ(file.size(), 128u + p * (240 + 60 + 12));
    // Level 0 is the caller's pixels; the load returns them unchanged.
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), file.begin() + 128));
    const auto top = Load(file);
    EXPECT_EQ(top.width, 24);
    EXPECT_EQ(top.height, 10);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), top.pixels.begin()));

    // Each reduced level is scaled from the previous one in 32-bit pixels.
    Bytes previous;
    for (std::size_t i = 0; i < pixels.size() / p; ++i) {
      previous.insert(previous.end(), &pixels[i * p], &pixels[i * p + 3]);
      previous.push_back(p == 4 ? pixels[i * p + 3] : 255);
    }
    std::uint32_t w = 24, h = 10;
    std::size_t at = 128 + pixels.size();
    for (int level = 1; level <= 2; ++level) {
      const std::uint32_t nw = w / 2, nh = h / 2;
      Bytes scaled(std::size_t{nw} * nh * 4);
      ormel::ScaleBitmap({previous.data(), w, h, std::size_t{w} * 4},
                         {scaled.data(), nw, nh, std::size_t{nw} * 4}, true);
      for (std::size_t i = 0; i < std::size_t{nw} * nh; ++i, at += p)
        ASSERT_TRUE(std::equal(&scaled[i * 4], &scaled[i * 4 + p], &file[at]))
            << "level " << level << " pixel " << i;
      previous = scaled;
      w = nw;
      h = nh;
    }
  }
}

// DXT saves: every level is written, also below 4 x 4 and off the multiples of 4.
double LevelRmse(const Bytes& source, int p, const Bytes& decoded) {
  double sum = 0;
  const std::size_t n = decoded.size() / 4;
  for (std::size_t i = 0; i < n; ++i)
    for (int c = 0; c < 3; ++c) {
      const double d = double(source[i * p + c]) - decoded[i * 4 + c];
      sum += d * d;
    }
  return std::sqrt(sum / (3.0 * n));
}

struct DxtCase {
  Kind kind;
  std::uint32_t w, h;
  double topRmse;  // measured on this picture, plus a margin
};

class DdsDxtSave : public testing::TestWithParam<DxtCase> {};

TEST_P(DdsDxtSave, EncodesWholeBlocksOfEveryLevel) {
  const auto c = GetParam();
  const int p = PixelSizeOf(c.kind);
  const auto format = c.kind == Kind::Dxt1 ? ormel::dxt::Format::Dxt1 : ormel::dxt::Format::Dxt5;
  const auto pixels = ondrel_test::PhotoLike(c.w, c.h, p);
  auto head = SaveHead(c.kind, c.w, c.h, 15);
  const auto file = Save(pixels, head);
  const auto chain = ormel::dds::LevelChain(c.w, c.h, 15, true);
  std::size_t expected = 128;
  for (const auto l : chain) expected += ormel::dxt::LevelBytes(format, l.width, l.height);
  ASSERT_EQ(file.size(), expected);
  EXPECT_EQ(U32(file.data(), 28), chain.size());
  EXPECT_EQ(U32(file.data(), 20), ormel::dxt::LevelBytes(format, c.w, c.h));

  // Level 0 is the block encoder's output for the caller's pixels, edge blocks padded.
  Bytes blocks(ormel::dxt::LevelBytes(format, c.w, c.h), 0xCD);
  ormel::dxt::EncodeDxtImage(pixels, c.w, c.h, p, format == ormel::dxt::Format::Dxt5, false,
                             blocks);
  EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), file.begin() + 128));
  const auto top = Load(file);
  EXPECT_LT(LevelRmse(pixels, p, top.pixels), c.topRmse);
  // No level is left as reserved zero bytes: every block has its endpoints written.
  std::size_t at = 128;
  for (const auto l : chain) {
    const auto bytes = ormel::dxt::LevelBytes(format, l.width, l.height);
    Bytes decoded(std::size_t{l.width} * l.height * 4, 0);
    ormel::dxt::DecodeImage(format, ormel::ConstBytes(&file[at], bytes), decoded, l.width,
                            l.height);
    std::uint32_t bright = 0;
    for (std::size_t i = 0; i < decoded.size(); i += 4) bright += decoded[i + 1] > 16;
    EXPECT_GT(bright, 0u) << l.width << " x " << l.height;
    at += bytes;
  }
}

// Top-level RMSE measured: 6.22 at 64 x 32 (both kinds), 11.3 at 20 x 20, 14.2 at 21 x 13;
// the tiny ones hold four far-apart colours in one block (47.5 at 2 x 2, 30.5 at 3 x 1).
INSTANTIATE_TEST_SUITE_P(Sizes, DdsDxtSave,
                         testing::Values(DxtCase{Kind::Dxt5, 64, 32, 7},
                                         DxtCase{Kind::Dxt1, 64, 32, 7},
                                         DxtCase{Kind::Dxt1, 20, 20, 12},
                                         DxtCase{Kind::Dxt5, 21, 13, 15},
                                         DxtCase{Kind::Dxt1, 2, 2, 49},
                                         DxtCase{Kind::Dxt5, 3, 1, 32}));

TEST(DdsSave, ErrorDiffusionRequestReachesTheEncoderOnly) {
  const auto pixels = ondrel_test::PhotoLike(32, 32, 4);
  auto plain = SaveHead(Kind::Dxt5, 32, 32, 3, false);
  auto dithered = SaveHead(Kind::Dxt5, 32, 32, 3, true);
  const auto a = Save(pixels, plain), b = Save(pixels, dithered);
  EXPECT_EQ(U32(b.data(), 112), 0u);
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + 128, b.begin()));
  ASSERT_EQ(a.size(), b.size());
  // The dithered colour encoder chooses other indices somewhere in every level.
  std::size_t at = 128;
  for (const auto l : ormel::dds::LevelChain(32, 32, 3, true)) {
    const auto bytes = ormel::dxt::LevelBytes(ormel::dxt::Format::Dxt5, l.width, l.height);
    EXPECT_FALSE(std::equal(a.begin() + at, a.begin() + at + bytes, b.begin() + at)) << l.width;
    at += bytes;
  }
}

// Loading.
Bytes RgbFile(std::uint32_t w, std::uint32_t h, std::uint32_t bits, const Bytes& data) {
  auto hd = SaveHead(bits == 32 ? Kind::Rgb32 : Kind::Rgb24, w, h, 0);
  Put(hd, 88, bits);
  Bytes file(hd.size() + data.size());
  std::copy(hd.begin(), hd.end(), file.begin());
  std::copy(data.begin(), data.end(), file.begin() + hd.size());
  return file;
}

Bytes WithField(Bytes file, std::size_t at, std::uint32_t v) {
  ormel::StoreU32LE(&file[at], v);
  return file;
}

TEST(DdsLoad, Uncompressed24BitGivesThreeBytePixels) {
  const auto pixels = ondrel_test::Noise(5, 3, 3);
  const auto top = Load(RgbFile(5, 3, 24, pixels));
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), top.pixels.begin()));
  EXPECT_EQ(top.pixels[pixels.size()], 0xCD);
}

TEST(DdsLoad, WithoutMagicTouchesNothing) {
  auto file = RgbFile(2, 2, 32, Bytes(16, 1));
  file[0] = 'X';
  Bytes out(16, 0xCD);
  std::uint16_t w = 77, h = 88;
  EXPECT_FALSE(ormel::dds::Decode(file, out, w, h));
  EXPECT_FALSE(ormel::dds::Decode(Bytes{'D', 'D'}, out, w, h));
  EXPECT_EQ(w, 77);
  EXPECT_EQ(h, 88);
  EXPECT_EQ(out, Bytes(16, 0xCD));
}

TEST(DdsLoad, UnknownCodeReportsTheSizeOnly) {
  auto hd = SaveHead(Kind::Dxt1, 8, 4, 0);
  Put(hd, 84, 0x30315844);  // "DX10"
  Bytes file(hd.begin(), hd.end());
  file.resize(file.size() + 64, 0);
  Bytes out(8 * 4 * 4, 0xCD);
  std::uint16_t w = 0, h = 0;
  EXPECT_TRUE(ormel::dds::Decode(file, out, w, h));
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 4);
  EXPECT_EQ(out, Bytes(8 * 4 * 4, 0xCD));
}

TEST(DdsLoad, PaddedPitchIsReadRowByRow) {
  // Flags with pitch, not linear size; rows of 6 bytes padded to 8.
  const auto file = WithField(
      WithField(RgbFile(2, 2, 24, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}), 8,
                0x100F),
      20, 8);
  const auto top = Load(file);
  EXPECT_TRUE(std::equal(top.pixels.begin(), top.pixels.begin() + 12,
                         Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}.begin()));
}

// Heads that do not fit the file or the reader are refused before any pixel is written.
struct RefusedCase {
  const char* name;
  Bytes file;
  bool unsupported;  // else invalid data
};

class DdsRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(DdsRefused, ThrowsAndWritesNothing) {
  const auto& c = GetParam();
  Bytes out(64 * 4, 0xCD);
  std::uint16_t w = 77, h = 88;
  if (c.unsupported)
    EXPECT_THROW(ormel::dds::Decode(c.file, out, w, h), ormel::Unsupported);
  else
    EXPECT_THROW(ormel::dds::Decode(c.file, out, w, h), ormel::InvalidData);
  EXPECT_EQ(out, Bytes(64 * 4, 0xCD));
  EXPECT_EQ(w, 77);
}

Bytes DxtFile(Kind kind, std::uint32_t w, std::uint32_t h, std::size_t dataBytes) {
  const auto hd = SaveHead(kind, w, h, 0);
  Bytes file(hd.begin(), hd.end());
  file.resize(file.size() + dataBytes, 0x55);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Heads, DdsRefused,
    testing::Values(
        RefusedCase{"ShortHead", Bytes{'D', 'D', 'S', ' ', 124, 0, 0, 0}, false},
        RefusedCase{"RgbDataShort", RgbFile(4, 4, 32, Bytes(63, 1)), false},
        RefusedCase{"Rgb24DataShort", RgbFile(4, 4, 24, Bytes(47, 1)), false},
        RefusedCase{"BitCount16", RgbFile(4, 4, 16, Bytes(32, 1)), true},
        RefusedCase{"BitCount64", RgbFile(4, 4, 64, Bytes(128, 1)), true},
        RefusedCase{"PitchShorterThanRow",
                    WithField(WithField(RgbFile(4, 4, 32, Bytes(64, 1)), 8, 0x100F), 20, 15),
                    false},
        RefusedCase{"PitchBeyondTheFile",
                    WithField(WithField(RgbFile(4, 4, 32, Bytes(64, 1)), 8, 0x100F), 20, 20),
                    false},
        RefusedCase{"SideBeyond16Bits", WithField(RgbFile(4, 4, 32, Bytes(64, 1)), 16, 65536),
                    true},
        RefusedCase{"Dxt1BlocksShort", DxtFile(Kind::Dxt1, 8, 8, 31), false},
        // 5 x 5 needs 2 x 2 whole blocks, not one.
        RefusedCase{"Dxt5PartialBlocksShort", DxtFile(Kind::Dxt5, 5, 5, 16), false},
        RefusedCase{"Dxt3Short", DxtFile(Kind::Dxt3, 4, 4, 15), false}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(DdsLoad, DxtTopLevelOfOddSidesUsesWholeBlocks) {
  // A 5 x 3 DXT1 surface of 2 x 1 blocks: the second block colours column 4.
  auto file = DxtFile(Kind::Dxt1, 5, 3, 16);
  const std::array<std::uint8_t, 16> blocks{0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0,   // red
                                            0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};  // blue
  std::copy(blocks.begin(), blocks.end(), file.begin() + 128);
  const auto top = Load(file);
  EXPECT_EQ(top.width, 5);
  EXPECT_EQ(top.height, 3);
  EXPECT_EQ(top.pixels[(2 * 5 + 3) * 4 + 2], 255);  // row 2, column 3: red (5-bit 31)
  EXPECT_EQ(top.pixels[(2 * 5 + 4) * 4 + 0], 255);  // row 2, column 4: blue
}

TEST(DdsLoad, StopsAtTheEndOfTheCallersBuffer) {
  const auto file = RgbFile(4, 4, 32, Bytes(64, 1));
  Bytes out(64, 0xCD);
  std::uint16_t w = 0, h = 0;
  EXPECT_TRUE(ormel::dds::Decode(file, ormel::Bytes(out.data(), 20), w, h));
  EXPECT_EQ(out[19], 1);
  EXPECT_EQ(out[20], 0xCD);
}

}  // namespace
