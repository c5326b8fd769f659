// DXT encoding: the bytes of the block cases that matter, the padding of edge blocks, the
// refusals, determinism across threads, and the quality of a round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "dxt.hpp"
#include "dxt_block_encoder.hpp"
#include "dxt_dither_batch.hpp"
#include "dxt_encode.hpp"
#include "dxt_tables.hpp"
#include "ormel_errors.hpp"
#include "synthetic.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using ormel::dxt::Format;

Bytes Encode(const Bytes& pixels, std::uint32_t w, std::uint32_t h, int bpp, bool alpha,
             bool dither) {
  Bytes out(ormel::dxt::LevelBytes(alpha ? Format::Dxt5 : Format::Dxt1, w, h));
  ormel::dxt::EncodeDxtImage(pixels, w, h, bpp, alpha, dither, out);
  return out;
}

Bytes Decode(Format f, const Bytes& blocks, std::uint32_t w, std::uint32_t h) {
  Bytes px(std::size_t{w} * h * 4);
  ormel::dxt::DecodeImage(f, blocks, px, w, h);
  return px;
}

// A 4 x 4 block of 4-byte pixels from a function of the pixel number.
template <class F>
Bytes Block4(F pixel) {
  Bytes px;
  for (int p = 0; p < 16; ++p) {
    const std::array<std::uint8_t, 4> bgra = pixel(p);
    px.insert(px.end(), bgra.begin(), bgra.end());
  }
  return px;
}

std::uint64_t Fnv1a(const Bytes& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

TEST(DxtTables, MulDiv255RoundsBothSignsAndTablesHoldTheirLevels) {
  EXPECT_EQ(ormel::dxt::MulDiv255(248, 85), 83);
  EXPECT_EQ(ormel::dxt::MulDiv255(-248, 85), -83);  // arithmetic shifts, not truncation
  EXPECT_EQ(ormel::dxt::MulDiv255(-1, 85), 0);
  EXPECT_EQ(ormel::dxt::MulDiv255(255, 31), 31);
  const auto& t = ormel::dxt::GetEncoderTables();
  EXPECT_EQ(ormel::dxt::kWiden5[31], 255);
  EXPECT_EQ(ormel::dxt::kWiden5[16], 132);
  EXPECT_EQ(ormel::dxt::kWiden6[32], 130);
  EXPECT_EQ(t.snap5[0], 0);      // -8 clamps to 0
  EXPECT_EQ(t.snap5[271], 255);  // 263 clamps to 255
  EXPECT_EQ(t.snap5[128 + 8], 132);
  EXPECT_EQ(t.snap6[128 + 8], 130);
  EXPECT_EQ(t.singleColor5[128], (std::array<std::uint8_t, 2>{15, 17}));
  EXPECT_EQ(t.singleColor6[128], (std::array<std::uint8_t, 2>{31, 33}));
  EXPECT_EQ(t.singleColor5[255], (std::array<std::uint8_t, 2>{31, 31}));
  EXPECT_EQ(t.singleColor5[0], (std::array<std::uint8_t, 2>{0, 0}));
}

// ---- Single blocks: the exact bytes written. ----

struct BlockCase {
  const char* name;
  Bytes pixels;  // 16 pixels of 4 bytes
  bool alpha, dither;
  Bytes expected;
};

class DxtEncodeBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(DxtEncodeBlock, WritesThePinnedBytes) {
  const auto& c = GetParam();
  EXPECT_EQ(Encode(c.pixels, 4, 4, 4, c.alpha, c.dither), c.expected);
}

std::array<std::uint8_t, 4> Grey(std::uint8_t v, std::uint8_t a = 255) { return {v, v, v, a}; }

// Alphas of a block in which pixel 0 is 0, pixel 1 is 255, and pixel 2 is 128.
std::uint8_t MixedAlpha(int p) { return p == 2 ? 128 : p % 2 ? 255 : 0; }

// A smooth block: a diagonal ramp in every channel, in different directions.
std::array<std::uint8_t, 4> Ramp(int p) {
  const int x = p % 4, y = p / 4;
  return {static_cast<std::uint8_t>(40 + 30 * x), static_cast<std::uint8_t>(200 - 20 * y),
          static_cast<std::uint8_t>(90 + 10 * x + 15 * y), 255};
}

std::vector<BlockCase> BlockCases() {
  const Bytes white = Block4([](int) { return Grey(255); });
  const Bytes grey = Block4([](int) { return Grey(128); });
  const Bytes greyVaryingAlpha = Block4([](int p) { return Grey(128, std::uint8_t(p * 16)); });
  const Bytes alpha200 = Block4([](int) { return Grey(0, 200); });
  const Bytes mixedAlpha = Block4([](int p) { return Grey(0, MixedAlpha(p)); });
  const Bytes halves = Block4([](int p) { return Grey(p < 8 ? 255 : 0); });
  const Bytes ramp = Block4(Ramp);
  return {
      // Solid: endpoints from the single-colour tables, every index 2.
      {"SolidWhite", white, false, false, {0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xAA, 0xAA, 0xAA}},
      {"SolidWhiteDithered", white, false, true, {0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xAA, 0xAA, 0xAA}},
      // (15, 17) and (31, 33): max16 0x7BEF < min16 0x8C31, exchanged, indices 2 -> 3.
      {"SolidGrey128", grey, false, false, {0x31, 0x8C, 0xEF, 0x7B, 0xFF, 0xFF, 0xFF, 0xFF}},
      // Same colour, different alphas: not solid; both endpoints Pack565 of the colour, mask 0.
      {"Grey128VaryingAlpha", greyVaryingAlpha, false, false, {0x10, 0x84, 0x10, 0x84, 0, 0, 0, 0}},
      // Alpha block: all 200 -> 200, 200, every index 1; the colour block is solid black.
      {"Alpha200", alpha200, true, false,
       {200, 200, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24, 0, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA}},
      // 0 -> index 1, 255 -> index 0, 128 -> position 4, index 4. The colour block is
      // black, but the alphas differ, so it is not solid: both endpoints 0, mask 0.
      {"Alpha0And128And255", mixedAlpha, true, false,
       {255, 0, 0x01, 0x11, 0x04, 0x41, 0x10, 0x04, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Two colours: white pixels index 0, black index 1; refinement keeps the endpoints.
      {"WhiteAndBlackHalves", halves, false, false,
       {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x55, 0x55}},
      // A fitted, refined block; dithering changes one index.
      {"Ramp", ramp, false, false, {0xD1, 0xA4, 0xE5, 0x65, 0xBD, 0xAD, 0x2D, 0x2F}},
      {"RampDithered", ramp, false, true, {0xD1, 0xA4, 0xE5, 0x65, 0xB5, 0xAD, 0x2D, 0x2F}},
      {"RampDxt5", ramp, true, false,
       {255, 255, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24, 0xD1, 0xA4, 0xE5, 0x65, 0xBD, 0xAD, 0x2D,
        0x2F}},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, DxtEncodeBlock, testing::ValuesIn(BlockCases()),
                         [](const auto& info) { return info.param.name; });

TEST(DxtEncode, AlphaBlockOfOnly0And255) {
  const Bytes px = Block4([](int p) { return Grey(9, p % 3 ? 255 : 0); });
  const Bytes out = Encode(px, 4, 4, 4, true, false);
  ASSERT_EQ(out[0], 255);
  ASSERT_EQ(out[1], 0);
  std::uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= std::uint64_t{out[2 + i]} << (8 * i);
  for (int p = 0; p < 16; ++p) EXPECT_EQ((bits >> (3 * p)) & 7, p % 3 ? 0u : 1u) << "pixel " << p;
}

TEST(DxtEncode, SolidWhiteDecodesToWhiteInBothModes) {
  const Bytes out = Encode(Block4([](int) { return Grey(255); }), 4, 4, 4, false, false);
  for (Format f : {Format::Dxt1, Format::Dxt5}) {
    Bytes blocks = out;
    if (f == Format::Dxt5) blocks.insert(blocks.begin(), {255, 255, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Decode(f, blocks, 4, 4), Block4([](int) { return Grey(255); }));
  }
}

// Decoding and re-encoding (a re-save of a DXT texture, BLP2 -> DDS -> BLP2) must not drift:
// every solid colour stays within 1 of its first decode through four more cycles. Each
// channel value 0..255 is met in each channel, in both the colour and the DXT5 path.
TEST(DxtEncode, SolidColoursSurviveRepeatedDecodeAndEncode) {
  for (bool alpha : {false, true}) {
    const Format f = alpha ? Format::Dxt5 : Format::Dxt1;
    for (int v = 0; v < 256; ++v) {
      const std::array<std::uint8_t, 4> colour = {
          static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
          static_cast<std::uint8_t>(v * 37 % 256), static_cast<std::uint8_t>(alpha ? v : 255)};
      const Bytes source = Block4([&](int) { return colour; });
      const Bytes first = Decode(f, Encode(source, 4, 4, 4, alpha, false), 4, 4);
      Bytes current = first;
      for (int cycle = 1; cycle <= 4; ++cycle) {
        current = Decode(f, Encode(current, 4, 4, 4, alpha, false), 4, 4);
        for (std::size_t i = 0; i < current.size(); ++i)
          ASSERT_LE(std::abs(int{current[i]} - first[i]), 1)
              << "colour " << v << (alpha ? " DXT5" : " DXT1") << ", cycle " << cycle
              << ", byte " << i;
      }
    }
  }
}

TEST(DxtEncode, AlphaOf128DecodesTo146) {
  const Bytes px = Block4([](int p) { return Grey(0, MixedAlpha(p)); });
  const Bytes back = Decode(Format::Dxt5, Encode(px, 4, 4, 4, true, false), 4, 4);
  EXPECT_EQ(back[4 * 0 + 3], 0);
  EXPECT_EQ(back[4 * 1 + 3], 255);
  EXPECT_EQ(back[4 * 2 + 3], 146);
}

// ---- Levels ----

// Partial edge blocks are encoded as if the last column and row were repeated to a whole block.
TEST(DxtEncode, EdgeBlocksArePaddedWithEdgePixels) {
  for (auto [w, h] : {std::pair{5u, 3u}, {1u, 1u}, {2u, 2u}, {7u, 6u}, {3u, 9u}}) {
    const Bytes px = ondrel_test::PhotoLike(w, h, 4, true, w * 31 + h);
    const std::uint32_t pw = (w + 3) / 4 * 4, ph = (h + 3) / 4 * 4;
    Bytes padded(std::size_t{pw} * ph * 4);
    for (std::uint32_t y = 0; y < ph; ++y)
      for (std::uint32_t x = 0; x < pw; ++x)
        for (int c = 0; c < 4; ++c)
          padded[(y * pw + x) * 4 + c] = px[(std::min(y, h - 1) * w + std::min(x, w - 1)) * 4 + c];
    for (bool alpha : {false, true})
      for (bool dither : {false, true})
        EXPECT_EQ(Encode(px, w, h, 4, alpha, dither), Encode(padded, pw, ph, 4, alpha, dither))
            << w << "x" << h << " alpha " << alpha << " dither " << dither;
  }
}

TEST(DxtEncode, WritesExactlyTheLevelAndRefusesShortBuffers) {
  const Bytes px = ondrel_test::PhotoLike(9, 5, 4);
  const std::size_t level = ormel::dxt::LevelBytes(Format::Dxt5, 9, 5);
  Bytes out(level + 32, 0xCD);
  ormel::dxt::EncodeDxtImage(px, 9, 5, 4, true, false, out);
  EXPECT_EQ(Bytes(out.begin() + level, out.end()), Bytes(32, 0xCD));

  Bytes small(level - 1);
  EXPECT_THROW(ormel::dxt::EncodeDxtImage(px, 9, 5, 4, true, false, small), ormel::InvalidData);
  Bytes fine(level);
  const Bytes shortInput(px.begin(), px.end() - 1);
  EXPECT_THROW(ormel::dxt::EncodeDxtImage(shortInput, 9, 5, 4, true, false, fine),
               ormel::InvalidData);
  EXPECT_THROW(ormel::dxt::EncodeDxtImage(px, 9, 5, 2, false, false, fine), ormel::InvalidData);
  EXPECT_NO_THROW(ormel::dxt::EncodeDxtImage({}, 0, 5, 4, true, false, {}));
}

// Three-byte pixels encode as four-byte pixels of any one alpha, except that a block whose
// four-byte pixels differ only in alpha is solid for three-byte input.
TEST(DxtEncode, ThreeBytePixelsEncodeAsOpaqueOnes) {
  const Bytes px4 = ondrel_test::PhotoLike(16, 12, 4);
  Bytes px3;
  for (std::size_t i = 0; i < px4.size(); i += 4) px3.insert(px3.end(), &px4[i], &px4[i] + 3);
  for (bool dither : {false, true})
    EXPECT_EQ(Encode(px3, 16, 12, 3, false, dither), Encode(px4, 16, 12, 4, false, dither));
  const Bytes greyVaryingAlpha = Block4([](int p) { return Grey(128, std::uint8_t(p * 16)); });
  Bytes grey3(48, 128);
  EXPECT_EQ(Encode(grey3, 4, 4, 3, false, false),
            (Bytes{0x31, 0x8C, 0xEF, 0x7B, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_NE(Encode(grey3, 4, 4, 3, false, false), Encode(greyVaryingAlpha, 4, 4, 4, false, false));
}

// A 16 x 16 dithered DXT1 image whose block (2, 1) (blue 95, red 29, green varying) refines
// its green low endpoint to (diff * fg + 0.5) = 9.49999993 in double, rounded once: 9, endpoint
// 0x212C. Rounding the product and the sum to single on the way gives the tie 9.5, then 10
// (0x214C). The bytes agree with tools/dxt_encode_reference.py.
TEST(DxtEncode, RefinedEndpointIsRoundedOnce) {
  Bytes px = ondrel_test::PhotoLike(16, 16, 4);
  const std::uint8_t green[16] = {39, 66, 37, 45, 61, 64, 44, 37, 57, 44, 58, 47, 45, 36, 41, 47};
  for (int p = 0; p < 16; ++p) {
    std::uint8_t* q = &px[((4 + p / 4) * 16 + 8 + p % 4) * 4];
    q[0] = 95;
    q[1] = green[p];
    q[2] = 29;
  }
  const Bytes blocks = Encode(px, 16, 16, 4, false, true);
  const Bytes block(blocks.begin() + 6 * 8, blocks.begin() + 7 * 8);
  EXPECT_EQ(block, (Bytes{0x0C, 0x22, 0x2C, 0x21, 0xD1, 0x70, 0xEE, 0xF7}));
  EXPECT_EQ(ormel::LoadU16LE(&block[2]), 0x212C);
}

// The whole-image bytes are pinned, so any change to the arithmetic (or an optimisation that
// alters a single byte) shows here; threads share the tables and must agree. The pinned
// hashes, like the block bytes above, agree with tools/dxt_encode_reference.py, a separate
// plain implementation.
TEST(DxtEncode, PhotoBytesArePinnedAndEqualAcrossThreads) {
  const Bytes px = ondrel_test::PhotoLike(64, 64, 4, true);
  struct Pin {
    bool alpha, dither;
    std::uint64_t hash;
  };
  const Pin pins[] = {{false, false, 5661485392979444507ull},
                     {false, true, 5737096612251399603ull},
                     {true, false, 2293913167052708575ull},
                     {true, true, 4400572097183833407ull}};
  for (const Pin& pin : pins) {
    const Bytes first = Encode(px, 64, 64, 4, pin.alpha, pin.dither);
    EXPECT_EQ(Fnv1a(first), pin.hash) << "alpha " << pin.alpha << " dither " << pin.dither;
    std::vector<Bytes> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results)
      threads.emplace_back([&, &r = r] { r = Encode(px, 64, 64, 4, pin.alpha, pin.dither); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, first);
  }
}

// The fit's dither runs eight blocks at once in vector lanes; each lane must give the bytes of
// the one-block version. Random blocks, blocks pressed against 0 and 255 (where the error is
// largest and the snap clamps), and two-level blocks that push the error back and forth.
TEST(DxtEncode, BatchDitherMatchesTheOneBlockDither) {
  const auto& tables = ormel::dxt::GetEncoderTables();
  std::mt19937 random(12345);
  const auto pick = [&](int kind) -> std::uint8_t {
    const unsigned v = random();
    switch (kind) {
      case 0: return static_cast<std::uint8_t>(v);
      case 1: return static_cast<std::uint8_t>(v % 2 ? v % 12 : 255 - v % 12);
      case 2: return v % 2 ? 3 : 252;
      default: return static_cast<std::uint8_t>(124 + v % 9);
    }
  };
  ormel::dxt::PixelBlock blocks[ormel::dxt::kDitherBatch], batch[ormel::dxt::kDitherBatch];
  for (int round = 0; round < 20000; ++round) {
    for (auto& block : blocks) {
      const int kind = static_cast<int>(random() % 4);
      for (int p = 0; p < 16; ++p) {
        block.b[p] = pick(kind);
        block.g[p] = pick(kind);
        block.r[p] = pick(kind);
        block.a[p] = pick(0);
      }
    }
    ormel::dxt::DitherForFitBatch(tables, blocks, batch);
    for (int k = 0; k < ormel::dxt::kDitherBatch; ++k) {
      ormel::dxt::PixelBlock one;
      ormel::dxt::DitherForFit(tables, blocks[k], one);
      ASSERT_TRUE(std::equal(one.b, one.b + 16, batch[k].b) &&
                  std::equal(one.g, one.g + 16, batch[k].g) &&
                  std::equal(one.r, one.r + 16, batch[k].r))
          << "round " << round << ", block " << k;
    }
  }
}

// Large levels may be split among threads; the bytes must not depend on the split.
TEST(DxtEncode, ThreadedEncodingGivesTheSingleThreadedBytes) {
  constexpr std::uint32_t w = 1022, h = 517;  // uneven bands and a partial edge
  for (int bpp : {3, 4}) {
    const Bytes px = ondrel_test::PhotoLike(w, h, bpp, true);
    for (auto [alpha, dither] : {std::pair{false, false}, {true, true}}) {
      if (bpp == 3 && alpha) continue;
      Bytes single(ormel::dxt::LevelBytes(alpha ? Format::Dxt5 : Format::Dxt1, w, h));
      ormel::dxt::EncodeDxtImageOnThreads(px, w, h, bpp, alpha, dither, single, 1);
      EXPECT_EQ(Encode(px, w, h, bpp, alpha, dither), single);
      for (unsigned threads : {2u, 3u, 8u}) {
        Bytes split(single.size() + 16, 0xCD);
        ormel::dxt::EncodeDxtImageOnThreads(px, w, h, bpp, alpha, dither, split, threads);
        EXPECT_EQ(Bytes(split.begin(), split.begin() + single.size()), single)
            << bpp << " bytes per pixel, " << threads << " threads";
        EXPECT_EQ(Bytes(split.begin() + single.size(), split.end()), Bytes(16, 0xCD));
      }
    }
  }
}

// Round trip of a photo-like picture. Measured RMSE over all four bytes of every pixel
// (opaque for DXT1): pinned to within 0.005.
struct RoundTripCase {
  bool alpha, dither;
  double rmse;
};

class DxtRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(DxtRoundTrip, StaysCloseToTheSource) {
  const auto& c = GetParam();
  const Bytes px = ondrel_test::PhotoLike(256, 256, 4, c.alpha);
  const Format f = c.alpha ? Format::Dxt5 : Format::Dxt1;
  const Bytes back = Decode(f, Encode(px, 256, 256, 4, c.alpha, c.dither), 256, 256);
  EXPECT_NEAR(ondrel_test::Rmse(px, back), c.rmse, 0.005);
}

INSTANTIATE_TEST_SUITE_P(Cases, DxtRoundTrip,
                         testing::Values(RoundTripCase{false, false, 2.6951},
                                         RoundTripCase{false, true, 3.0242},
                                         RoundTripCase{true, false, 2.7031},
                                         RoundTripCase{true, true, 3.0314}));

}  // namespace
