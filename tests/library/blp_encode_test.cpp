#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "blp.hpp"
#include "dxt.hpp"
#include "jpeg_codec.hpp"
#include "ormel_errors.hpp"
#include "quantize.hpp"
#include "resample.hpp"
#include "synthetic.hpp"

namespace {

using Pixels = std::vector<std::uint8_t>;

enum class Kind { Jpeg, Blp1Paletted, Blp2Paletted, Dxt1, Dxt5 };

const char* Name(Kind k) {
  switch (k) {
    case Kind::Jpeg:
      return "Jpeg";
    case Kind::Blp1Paletted:
      return "Blp1Paletted";
    case Kind::Blp2Paletted:
      return "Blp2Paletted";
    case Kind::Dxt1:
      return "Dxt1";
    case Kind::Dxt5:
      return "Dxt5";
  }
  return "?";
}

// A record as the program fills it for a save: cleared, then the fields of the chosen kind.
// Table entries carry sentinels so that kept entries can be told from written ones.
TBLPHeader Record(Kind kind, std::uint32_t w, std::uint32_t h, bool alpha = false,
                  std::uint32_t mipmapsMinus1 = 15) {
  TBLPHeader r{};
  const bool blp1 = kind == Kind::Jpeg || kind == Kind::Blp1Paletted;
  std::memcpy(r.Signature, blp1 ? "BLP1" : "BLP2", 4);
  r.Compression = kind == Kind::Jpeg ? 0 : 1;
  r.Width = w;
  r.Height = h;
  for (unsigned i = 0; i < 16; ++i) {
    r.MipmapOffsets[i] = 0xA0000000u + i;
    r.MipmapSizes[i] = 0xB0000000u + i;
  }
  if (blp1) {
    r.AlphaBits = alpha ? 8 : 0;
    r.PictureType = alpha ? 4 : 5;
  } else {
    const bool dxt = kind == Kind::Dxt1 || kind == Kind::Dxt5;
    r.Encoding = dxt ? 2 : 1;
    r.AlphaDepth = (dxt ? kind == Kind::Dxt5 : alpha) ? 8 : 0;
    r.AlphaEncoding = kind == Kind::Dxt5 ? 7 : r.AlphaDepth == 8 ? 8 : 0;
  }
  r.HasMipmaps = 1;
  r.MipmapsMinus1 = mipmapsMinus1;
  r.ColorsOrQuality = kind == Kind::Jpeg ? 90 : 256;
  return r;
}

Pixels Image(std::uint32_t w, std::uint32_t h, bool alpha = false, std::uint32_t seed = 1) {
  return ondrel_test::PhotoLike(w, h, 4, alpha, seed);
}

ormel::Block Save(const Pixels& px, TBLPHeader& r) { return ormel::blp::Encode(px, r); }

std::uint32_t U32(const ormel::Block& b, std::size_t at) { return ormel::LoadU32LE(b.data() + at); }

// The tables as stored in the file.
std::size_t OffsetsAt(const ormel::Block& b) {
  return std::memcmp(b.data(), "BLP1", 4) == 0 ? 28 : 20;
}
std::uint32_t FileOffset(const ormel::Block& b, unsigned k) { return U32(b, OffsetsAt(b) + 4 * k); }
std::uint32_t FileSize(const ormel::Block& b, unsigned k) {
  return U32(b, OffsetsAt(b) + 64 + 4 * k);
}

struct Decoded {
  std::uint16_t width = 0, height = 0;
  Pixels pixels;
};

Decoded DecodeLevel(const ormel::Block& file, unsigned level) {
  Decoded d;
  const std::uint64_t capacity = std::uint64_t{U32(file, 12)} * U32(file, 16) * 4;
  Pixels buffer(capacity, 0xCD);
  EXPECT_TRUE(ormel::blp::Decode(file.bytes(), level, buffer, d.width, d.height));
  buffer.resize(std::size_t{d.width} * d.height * 4);
  d.pixels = std::move(buffer);
  return d;
}

// The levels the encoder should make without dithering: repeated halving by Lanczos.
struct Level {
  std::uint32_t width, height;
  Pixels pixels;
};
std::vector<Level> ScaledChain(const Pixels& px, std::uint32_t w, std::uint32_t h,
                               std::uint32_t floorW, std::uint32_t floorH, std::size_t count) {
  std::vector<Level> chain{{w, h, px}};
  while (chain.size() < count) {
    const Level& prev = chain.back();
    Level next{std::max(floorW, prev.width / 2), std::max(floorH, prev.height / 2), {}};
    next.pixels.assign(std::size_t{next.width} * next.height * 4, 0);
    ormel::ScaleBitmap({prev.pixels.data(), prev.width, prev.height, std::size_t{prev.width} * 4},
                       {next.pixels.data(), next.width, next.height, std::size_t{next.width} * 4},
                       true);
    chain.push_back(std::move(next));
  }
  return chain;
}

// ---- Level tables and chains ----------------------------------------------------------------

TEST(BlpEncodeTables, FullChainStopsAtTheLongerSideAndKeepsEntriesAboveIt) {
  auto r = Record(Kind::Blp1Paletted, 256, 256);
  const auto file = Save(Image(256, 256), r);
  ASSERT_TRUE(file);
  std::uint32_t offset = 156 + 1024, side = 256;
  for (unsigned k = 0; k <= 8; ++k, side /= 2) {
    EXPECT_EQ(r.MipmapOffsets[k], offset) << k;
    EXPECT_EQ(r.MipmapSizes[k], side * side) << k;
    offset += side * side;
  }
  EXPECT_EQ(file.size(), offset);
  for (unsigned k = 9; k < 16; ++k) {
    EXPECT_EQ(r.MipmapOffsets[k], 0xA0000000u + k);
    EXPECT_EQ(r.MipmapSizes[k], 0xB0000000u + k);
  }
  for (unsigned k = 0; k < 16; ++k) {
    EXPECT_EQ(FileOffset(file, k), r.MipmapOffsets[k]) << k;
    EXPECT_EQ(FileSize(file, k), r.MipmapSizes[k]) << k;
  }
}

TEST(BlpEncodeTables, ShortChainRepeatsTheLastLevelUpToTheLongerSide) {
  for (Kind kind : {Kind::Jpeg, Kind::Blp2Paletted, Kind::Dxt1}) {
    SCOPED_TRACE(Name(kind));
    auto r = Record(kind, 256, 256, false, 1);
    const auto file = Save(Image(256, 256), r);
    ASSERT_TRUE(file);
    EXPECT_EQ(r.MipmapOffsets[1], r.MipmapOffsets[0] + r.MipmapSizes[0]);
    EXPECT_EQ(file.size(), r.MipmapOffsets[1] + r.MipmapSizes[1]);
    for (unsigned k = 2; k <= 8; ++k) {
      EXPECT_EQ(r.MipmapOffsets[k], r.MipmapOffsets[1]);
      EXPECT_EQ(r.MipmapSizes[k], r.MipmapSizes[1]);
    }
    for (unsigned k = 9; k < 16; ++k) {
      EXPECT_EQ(r.MipmapOffsets[k], 0xA0000000u + k);
      EXPECT_EQ(FileSize(file, k), 0xB0000000u + k);
    }
  }
}

TEST(BlpEncodeTables, OnePixelImageHasOneLevelForEveryEncoder) {
  for (Kind kind : {Kind::Jpeg, Kind::Blp1Paletted, Kind::Blp2Paletted, Kind::Dxt1, Kind::Dxt5}) {
    SCOPED_TRACE(Name(kind));
    auto r = Record(kind, 1, 1);
    const auto file = Save(Image(1, 1), r);
    ASSERT_TRUE(file);
    EXPECT_EQ(file.size(), r.MipmapOffsets[0] + r.MipmapSizes[0]);
    for (unsigned k = 1; k < 16; ++k) EXPECT_EQ(r.MipmapOffsets[k], 0xA0000000u + k);
  }
  auto dxt = Record(Kind::Dxt5, 1, 1);
  EXPECT_EQ(Save(Image(1, 1), dxt).size(), 148u + 16);  // one whole block
  for (bool progressive : {false, true}) {  // the shortest streams still share a header
    auto merged = Record(Kind::Jpeg, 1, 1);
    merged.FlagA = 1;
    merged.FlagB = progressive;
    const auto file = Save(Image(1, 1), merged);
    EXPECT_EQ(U32(file, 156), progressive ? 76u : 292u);
    EXPECT_EQ(DecodeLevel(file, 0).width, 1);
  }
}

// Level sizes of the chains that end on a floor, with DXT sides counted in whole blocks.
struct ChainCase {
  Kind kind;
  std::uint32_t width, height;
  std::vector<std::uint32_t> sizes;
};

void PrintTo(const ChainCase& c, std::ostream* os) {
  *os << Name(c.kind) << " " << c.width << "x" << c.height;
}

class BlpEncodeChain : public testing::TestWithParam<ChainCase> {};

TEST_P(BlpEncodeChain, LevelSizesFollowTheHalvingRule) {
  const ChainCase& c = GetParam();
  auto r = Record(c.kind, c.width, c.height);
  const auto file = Save(Image(c.width, c.height), r);
  ASSERT_TRUE(file);
  std::uint64_t total = r.MipmapOffsets[0];
  for (unsigned k = 0; k < c.sizes.size(); ++k) {
    EXPECT_EQ(r.MipmapSizes[k], c.sizes[k]) << k;
    EXPECT_EQ(r.MipmapOffsets[k], total) << k;
    total += c.sizes[k];
  }
  EXPECT_EQ(file.size(), total);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlpEncodeChain,
    testing::Values(
        // 300x200, 150x100, 75x50, 37x25, 18x12, 9x6, 4x3, 2x1, 1x1
        ChainCase{Kind::Blp2Paletted, 300, 200, {60000, 15000, 3750, 925, 216, 54, 12, 2, 1}},
        // 64x16, 32x8, 16x4, 8x4, 4x4, 4x4, 4x4
        ChainCase{Kind::Dxt5, 64, 16, {1024, 256, 64, 32, 16, 16, 16}},
        // 5x3, 4x3, 4x3: two blocks, then one; the 3-pixel side never grows to 4
        ChainCase{Kind::Dxt1, 5, 3, {16, 8, 8}},
        // 2048x1 .. 4x1: the long side halves down to its floor of 4
        ChainCase{Kind::Dxt1, 2048, 1, {4096, 2048, 1024, 512, 256, 128, 64, 32, 16, 8, 8, 8}}),
    [](const auto& info) {
      return std::string(Name(info.param.kind)) + "_" + std::to_string(info.param.width) + "x" +
             std::to_string(info.param.height);
    });

TEST(BlpEncodeDxt, SixtyFourBySixteenDxt5File) {
  auto r = Record(Kind::Dxt5, 64, 16);
  r.AlphaEncoding = 0;  // the file must still say DXT5
  const auto file = Save(Image(64, 16, true), r);
  ASSERT_EQ(file.size(), 148u + 1424);
  EXPECT_EQ(std::memcmp(file.data(), "BLP2", 4), 0);
  EXPECT_EQ(U32(file, 4), 1u);
  EXPECT_EQ(file.data()[8], 2);
  EXPECT_EQ(file.data()[9], 8);
  EXPECT_EQ(file.data()[10], 7);
  EXPECT_EQ(FileOffset(file, 0), 148u);
}

// ---- Paletted layout ------------------------------------------------------------------------

TEST(BlpEncodePaletted, CompressedPaletteMovesLevelZero) {
  for (Kind kind : {Kind::Blp1Paletted, Kind::Blp2Paletted}) {
    const std::uint32_t header = kind == Kind::Blp1Paletted ? 156 : 148;
    for (bool compress : {true, false}) {
      SCOPED_TRACE(std::string(Name(kind)) + (compress ? " compressed" : " full"));
      auto r = Record(kind, 32, 32);
      r.ColorsOrQuality = 16;
      r.FlagA = compress;
      const auto file = Save(Image(32, 32), r);
      ASSERT_TRUE(file);
      EXPECT_EQ(r.MipmapOffsets[0], header + (compress ? 64u : 1024u));
      // Reserved palette bytes and unused entries are zero.
      for (std::uint32_t i = header; i < r.MipmapOffsets[0]; i += 4)
        EXPECT_EQ(file.data()[i + 3], 0);
    }
  }
}

TEST(BlpEncodePaletted, AlphaPlaneDoublesEveryLevel) {
  struct Case {
    Kind kind;
    bool alpha;
    std::uint32_t factor;
  };
  for (const Case c : {Case{Kind::Blp1Paletted, true, 2}, Case{Kind::Blp1Paletted, false, 1},
                       Case{Kind::Blp2Paletted, true, 2}, Case{Kind::Blp2Paletted, false, 1}}) {
    SCOPED_TRACE(std::string(Name(c.kind)) + (c.alpha ? " alpha" : ""));
    auto r = Record(c.kind, 40, 24, c.alpha);
    const auto px = Image(40, 24, c.alpha);
    const auto file = Save(px, r);
    ASSERT_TRUE(file);
    EXPECT_EQ(r.MipmapSizes[0], 40u * 24 * c.factor);
    EXPECT_EQ(r.MipmapSizes[1], 20u * 12 * c.factor);
    if (c.alpha) {  // the plane after the indices is the image's alpha, byte for byte
      for (std::size_t i = 0; i < 40 * 24; ++i)
        ASSERT_EQ(file.data()[r.MipmapOffsets[0] + 40 * 24 + i], px[4 * i + 3]) << i;
    }
  }
}

// A 24 x 10 chain ends 3 x 1 -> 1 x 1, a table of fourteen taps: the last level's alpha is
// 0xC2 (thirteen taps, from a centre rounded step by step, would give 0xC0).
TEST(BlpEncodePaletted, AlphaOfTheLastLevelComesFromTheFullThreeToOneTable) {
  Pixels px(24 * 10 * 4);
  for (std::size_t i = 0; i < px.size() / 4; ++i) {
    const std::uint8_t bgra[4] = {40, 90, 160, static_cast<std::uint8_t>(i % 24 < 4 ? 255 : 183)};
    std::copy_n(bgra, 4, &px[4 * i]);
  }
  auto r = Record(Kind::Blp2Paletted, 24, 10, true);
  const auto file = Save(px, r);
  ASSERT_TRUE(file);
  const Decoded last = DecodeLevel(file, 4);
  ASSERT_EQ(last.width, 1);
  ASSERT_EQ(last.height, 1);
  EXPECT_EQ(last.pixels[3], 0xC2);
}

TEST(BlpEncodePaletted, DiffusionIsDeterministicAndLeavesTheCallersPixels) {
  const auto px = Image(96, 64, true);
  const auto original = px;
  auto a = Record(Kind::Blp2Paletted, 96, 64, true);
  a.FlagB = 1;
  a.ColorsOrQuality = 32;
  auto b = a;
  const auto first = Save(px, a);
  const auto second = Save(px, b);
  ASSERT_TRUE(first);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size()), 0);
  EXPECT_EQ(px, original);
}

// ---- JPEG layout ----------------------------------------------------------------------------

class BlpEncodeJpeg : public testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(BlpEncodeJpeg, SharedHeaderLengthAndLevelPlacement) {
  const auto [merged, progressive] = GetParam();
  auto r = Record(Kind::Jpeg, 128, 64);
  r.FlagA = merged;
  r.FlagB = progressive;
  const auto file = Save(Image(128, 64), r);
  ASSERT_TRUE(file);
  const std::uint32_t shared = !merged ? 0 : progressive ? 76 : 292;
  EXPECT_EQ(U32(file, 156), shared);
  EXPECT_EQ(r.MipmapOffsets[0], 160 + shared);
  EXPECT_EQ(file.size(), r.MipmapOffsets[7] + r.MipmapSizes[7]);
  if (!merged) {
    EXPECT_EQ(file.data()[160], 0xFF);
    EXPECT_EQ(file.data()[161], 0xD8);
  }
  // Every level joined with the shared header is a complete stream of the level's size.
  std::uint32_t w = 128, h = 64;
  for (unsigned k = 0; k <= 7; ++k, w = std::max(1u, w / 2), h = std::max(1u, h / 2)) {
    Pixels stream(file.data() + 160, file.data() + 160 + shared);
    stream.insert(stream.end(), file.data() + r.MipmapOffsets[k],
                  file.data() + r.MipmapOffsets[k] + r.MipmapSizes[k]);
    EXPECT_EQ(stream[stream.size() - 2], 0xFF);
    EXPECT_EQ(stream.back(), 0xD9);
    const auto info = ormel::jpeg::ReadInfo(stream);
    EXPECT_EQ(info.width, w) << k;
    EXPECT_EQ(info.height, h) << k;
    EXPECT_EQ(info.components, 4);
    EXPECT_EQ(info.progressive, progressive);
  }
}

INSTANTIATE_TEST_SUITE_P(Arrangements, BlpEncodeJpeg,
                         testing::Combine(testing::Bool(), testing::Bool()));

TEST(BlpEncodeJpegMerge, MergedAndUnmergedLevelsDecodeAlike) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const auto px = Image(72, 40, true);
    auto plain = Record(Kind::Jpeg, 72, 40, true);
    plain.FlagB = progressive;
    auto merged = plain;
    merged.FlagA = 1;
    const auto a = Save(px, plain), b = Save(px, merged);
    const std::uint32_t shared = U32(b, 156);
    for (unsigned k = 0; k <= 6; ++k) {
      Pixels whole(a.data() + plain.MipmapOffsets[k],
                   a.data() + plain.MipmapOffsets[k] + plain.MipmapSizes[k]);
      Pixels joined(b.data() + 160, b.data() + 160 + shared);
      joined.insert(joined.end(), b.data() + merged.MipmapOffsets[k],
                    b.data() + merged.MipmapOffsets[k] + merged.MipmapSizes[k]);
      const auto info = ormel::jpeg::ReadInfo(whole);
      Pixels x(std::size_t{info.width} * info.height * 4), y(x.size());
      ormel::jpeg::Decode(whole, ormel::jpeg::Mode::FourChannel, x);
      ormel::jpeg::Decode(joined, ormel::jpeg::Mode::FourChannel, y);
      EXPECT_EQ(x, y) << k;
    }
  }
}

// ---- Records that select nothing, and refused input ------------------------------------------

TEST(BlpEncodeRefusal, RecordsThatSelectNoEncoderWriteNothing) {
  struct Case {
    const char* what;
    Kind kind;
    void (*edit)(TBLPHeader&);
  };
  const Case cases[] = {
      {"encoding 3", Kind::Dxt1, [](TBLPHeader& r) { r.Encoding = 3; }},
      {"compression 2", Kind::Blp2Paletted, [](TBLPHeader& r) { r.Compression = 2; }},
      {"JPEG in BLP2", Kind::Jpeg, [](TBLPHeader& r) { std::memcpy(r.Signature, "BLP2", 4); }},
      {"DXT in BLP1", Kind::Dxt1, [](TBLPHeader& r) { std::memcpy(r.Signature, "BLP1", 4); }},
      {"paletted BLP3", Kind::Blp1Paletted,
       [](TBLPHeader& r) { std::memcpy(r.Signature, "BLP3", 4); }},
      // Nothing is read for a refused record: not even the (absent) pixels.
      {"no pixels", Kind::Dxt1,
       [](TBLPHeader& r) {
         r.Encoding = 9;
         r.Width = 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto r = Record(c.kind, 8, 8);
    c.edit(r);
    const TBLPHeader before = r;
    EXPECT_FALSE(ormel::blp::Encode(ormel::ConstBytes{}, r));
    EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
  }
}

TEST(BlpEncodeRefusal, BadSizesAndShortPixelsAreRefusedBeforeWork) {
  const auto px = Image(8, 8);
  auto shortBuffer = Record(Kind::Dxt5, 8, 9);
  EXPECT_THROW(Save(px, shortBuffer), ormel::InvalidData);
  auto empty = Record(Kind::Blp1Paletted, 0, 8);
  EXPECT_THROW(Save(px, empty), ormel::InvalidData);
  auto wide = Record(Kind::Jpeg, 70000, 1);
  EXPECT_THROW(Save(px, wide), ormel::LimitExceeded);
  auto huge = Record(Kind::Dxt1, 65535, 65535);
  EXPECT_THROW(Save(px, huge), ormel::LimitExceeded);
  for (std::uint32_t colours : {0u, 257u}) {
    auto r = Record(Kind::Blp2Paletted, 8, 8);
    r.ColorsOrQuality = colours;
    EXPECT_THROW(Save(px, r), ormel::InvalidData) << colours;
  }
}

// ---- Round trips through our decoder ----------------------------------------------------------

struct RoundTripCase {
  Kind kind;
  std::uint32_t width, height;
  bool alpha;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
  *os << Name(c.kind) << " " << c.width << "x" << c.height << (c.alpha ? " alpha" : "");
}

std::string CaseName(const testing::TestParamInfo<RoundTripCase>& info) {
  return std::string(Name(info.param.kind)) + "_" + std::to_string(info.param.width) + "x" +
         std::to_string(info.param.height) + (info.param.alpha ? "_alpha" : "");
}

std::vector<RoundTripCase> RoundTripCases(std::initializer_list<Kind> kinds) {
  std::vector<RoundTripCase> cases;
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
      {300, 200}, {1, 1}, {64, 16}, {5, 3}, {2048, 1}};
  for (Kind kind : kinds)
    for (const auto& [w, h] : sizes)
      for (bool alpha : {false, true}) cases.push_back({kind, w, h, alpha});
  return cases;
}

class BlpPalettedRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Without diffusion every level is the Lanczos chain of the source, mapped through the lookup
// over the palette of level 0: the decoded colour is exactly the palette colour chosen.
TEST_P(BlpPalettedRoundTrip, EveryLevelDecodesToTheChosenPaletteColours) {
  const auto& c = GetParam();
  const auto px = Image(c.width, c.height, c.alpha, 3);
  auto r = Record(c.kind, c.width, c.height, c.alpha);
  r.ColorsOrQuality = 64;
  const auto file = Save(px, r);
  ASSERT_TRUE(file);

  ormel::Palette palette{};
  ormel::TColorQuantizer quantizer(64, 8);
  quantizer.ScanBitmap({px.data(), c.width, c.height, std::size_t{c.width} * 4});
  quantizer.FillPalette(palette);
  ormel::TColorLookup lookup(palette, 63);

  const unsigned levels = static_cast<unsigned>(std::bit_width(std::max(c.width, c.height)));
  const auto chain = ScaledChain(px, c.width, c.height, 1, 1, levels);
  for (unsigned k = 0; k < levels; ++k) {
    SCOPED_TRACE("level " + std::to_string(k));
    const Decoded d = DecodeLevel(file, k);
    ASSERT_EQ(d.width, chain[k].width);
    ASSERT_EQ(d.height, chain[k].height);
    for (std::size_t i = 0; i < d.pixels.size() / 4; ++i) {
      const std::uint8_t* s = &chain[k].pixels[4 * i];
      std::uint8_t er, eg, eb;
      lookup.Nearest(s[2], s[1], s[0], er, eg, eb);
      const std::uint8_t* o = &d.pixels[4 * i];
      ASSERT_EQ(o[0], eb) << i;
      ASSERT_EQ(o[1], eg) << i;
      ASSERT_EQ(o[2], er) << i;
      ASSERT_EQ(o[3], c.alpha ? s[3] : 0) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlpPalettedRoundTrip,
    testing::ValuesIn(RoundTripCases({Kind::Blp1Paletted, Kind::Blp2Paletted})), CaseName);

// A corner of a large photo-like picture: smooth at every size, unlike a whole picture
// squeezed into a few pixels.
Pixels SmoothImage(std::uint32_t w, std::uint32_t h, bool alpha) {
  const std::uint32_t bigW = std::max(w, 256u), bigH = std::max(h, 256u);
  const Pixels big = ondrel_test::PhotoLike(bigW, bigH, 4, alpha, 4);
  Pixels px(std::size_t{w} * h * 4);
  for (std::uint32_t y = 0; y < h; ++y)
    std::copy_n(&big[std::size_t{y} * bigW * 4], std::size_t{w} * 4, &px[std::size_t{y} * w * 4]);
  return px;
}

// With diffusion each level is dithered in place and the next one is resampled from the
// dithered pixels, so every level differs from a chain scaled from the undithered source.
TEST(BlpPalettedDiffusion, EveryLevelComesFromTheDitheredLevelAbove) {
  const std::uint32_t w = 300, h = 200;
  const auto px = Image(w, h, true, 5);
  auto r = Record(Kind::Blp1Paletted, w, h, true);
  r.ColorsOrQuality = 16;
  r.FlagB = 1;
  const auto file = Save(px, r);

  ormel::Palette palette{};
  ormel::TColorQuantizer quantizer(16, 8);
  quantizer.ScanBitmap({px.data(), w, h, std::size_t{w} * 4});
  quantizer.FillPalette(palette);
  ormel::TColorLookup lookup(palette, 15);
  Level level{w, h, px};
  for (unsigned k = 0; k <= 8; ++k) {
    SCOPED_TRACE("level " + std::to_string(k));
    const ormel::MutableImageView view{level.pixels.data(), level.width, level.height,
                                       std::size_t{level.width} * 4};
    ormel::DiffuseToPalette(view, lookup);
    const Decoded d = DecodeLevel(file, k);
    ASSERT_EQ(d.width, level.width);
    ASSERT_EQ(d.height, level.height);
    for (std::size_t i = 0; i < d.pixels.size() / 4; ++i) {
      const std::uint8_t* s = &level.pixels[4 * i];
      std::uint8_t er, eg, eb;
      lookup.Nearest(s[2], s[1], s[0], er, eg, eb);
      ASSERT_EQ(d.pixels[4 * i], eb) << i;
      ASSERT_EQ(d.pixels[4 * i + 1], eg) << i;
      ASSERT_EQ(d.pixels[4 * i + 2], er) << i;
      ASSERT_EQ(d.pixels[4 * i + 3], s[3]) << i;
    }
    level = ScaledChain(level.pixels, level.width, level.height, 1, 1, 2)[1];
  }
}

// DXT dithering is the record's FlagB, handed to the block encoder for every level.
TEST(BlpEncodeDxt, FlagBDithersTheBlocks) {
  const auto px = SmoothImage(64, 16, false);
  Pixels files[2];
  for (bool dither : {false, true}) {
    auto r = Record(Kind::Dxt1, 64, 16, false, 0);
    r.FlagB = dither;
    const auto file = Save(px, r);
    files[dither].assign(file.data(), file.data() + file.size());
    Pixels blocks(ormel::dxt::LevelBytes(ormel::dxt::Format::Dxt1, 64, 16));
    ormel::dxt::EncodeDxtImage(px, 64, 16, 4, false, dither, blocks);
    ASSERT_EQ(file.size(), 148 + blocks.size());
    EXPECT_EQ(std::memcmp(file.data() + 148, blocks.data(), blocks.size()), 0) << dither;
  }
  EXPECT_NE(files[0], files[1]);
}

// Lossy content: every level decodes to its size, holds exactly what the block or JPEG codec
// makes of the Lanczos level, and stays close to that level.
double RmseOf(const Pixels& a, const Pixels& b, bool withAlpha) {
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!withAlpha && i % 4 == 3) continue;
    const double d = double(a[i]) - double(b[i]);
    sum += d * d;
    ++n;
  }
  return n ? std::sqrt(sum / n) : 0;
}

// The level coded and decoded by the codec alone, outside any BLP file.
Pixels CodecRoundTrip(Kind kind, const Level& level) {
  Pixels out(level.pixels.size(), 0);
  if (kind == Kind::Jpeg) {
    const auto stream = ormel::jpeg::Encode(level.pixels, level.width, level.height, 90, false,
                                            ormel::jpeg::Mode::FourChannel);
    ormel::jpeg::Decode(stream.bytes(), ormel::jpeg::Mode::FourChannel, out);
    return out;
  }
  const auto format = kind == Kind::Dxt5 ? ormel::dxt::Format::Dxt5 : ormel::dxt::Format::Dxt1;
  Pixels blocks(ormel::dxt::LevelBytes(format, level.width, level.height));
  ormel::dxt::EncodeDxtImage(level.pixels, level.width, level.height, 4, kind == Kind::Dxt5, false,
                             blocks);
  ormel::dxt::DecodeImage(format, blocks, out, level.width, level.height);
  return out;
}

class BlpLossyRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(BlpLossyRoundTrip, EveryLevelHoldsTheCodedLanczosLevel) {
  const auto& c = GetParam();
  const auto px = SmoothImage(c.width, c.height, c.alpha);
  auto r = Record(c.kind, c.width, c.height, c.alpha);
  const auto file = Save(px, r);
  ASSERT_TRUE(file);
  const bool dxt = c.kind != Kind::Jpeg;
  const unsigned levels = static_cast<unsigned>(std::bit_width(std::max(c.width, c.height)));
  const auto chain = ScaledChain(px, c.width, c.height, dxt ? std::min(4u, c.width) : 1,
                                 dxt ? std::min(4u, c.height) : 1, levels);
  const bool alphaCompared = c.kind == Kind::Jpeg || c.kind == Kind::Dxt5;
  // RMSE against the Lanczos level, measured on these cases. Level 0: JPEG (quality 90) at
  // most 2.47, DXT 3.53. Any level: JPEG 3.58, DXT 42.0 (the last 4x4 levels of 300x200 and
  // the 8x1 and 4x1 levels of 2048x1 hold a whole gradient in one or two blocks). Pinned a
  // little above.
  double worst = 0;
  for (unsigned k = 0; k < levels; ++k) {
    SCOPED_TRACE("level " + std::to_string(k));
    const Decoded d = DecodeLevel(file, k);
    ASSERT_EQ(d.width, chain[k].width);
    ASSERT_EQ(d.height, chain[k].height);
    EXPECT_TRUE(d.pixels == CodecRoundTrip(c.kind, chain[k]));
    const double rmse = RmseOf(d.pixels, chain[k].pixels, alphaCompared);
    if (k == 0) {
      EXPECT_LE(rmse, dxt ? 4.0 : 3.0);
    }
    worst = std::max(worst, rmse);
  }
  EXPECT_LE(worst, dxt ? 45.0 : 4.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlpLossyRoundTrip,
                         testing::ValuesIn(RoundTripCases({Kind::Jpeg, Kind::Dxt1, Kind::Dxt5})),
                         CaseName);

}  // namespace
