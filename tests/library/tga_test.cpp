#include "tga.hpp"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "ormel_errors.hpp"
#include "synthetic.hpp"
#include "tga_rle.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::array<std::uint8_t, 18> Header(int mapType, int imageType, std::uint16_t w, std::uint16_t h,
                                    int depth, std::uint8_t options = 0) {
  std::array<std::uint8_t, 18> hd{};
  hd[0] = options;
  hd[1] = static_cast<std::uint8_t>(mapType);
  hd[2] = static_cast<std::uint8_t>(imageType);
  ormel::StoreU16LE(&hd[12], w);
  ormel::StoreU16LE(&hd[14], h);
  hd[16] = static_cast<std::uint8_t>(depth);
  return hd;
}

std::array<std::uint8_t, 18> PalettedHeader(int imageType, std::uint16_t w, std::uint16_t h,
                                            std::uint16_t colours, std::uint8_t options) {
  auto hd = Header(1, imageType, w, h, 8, options);
  ormel::StoreU16LE(&hd[5], colours);
  hd[7] = 24;
  hd[17] = 8;
  return hd;
}

Bytes Encode(const Bytes& pixels, std::array<std::uint8_t, 18>& header) {
  const auto block = ormel::tga::Encode(pixels, header);
  return Bytes(block.data(), block.data() + block.size());
}

// The file as the caller writes it: the header with ID length 0, then the block.
Bytes FileOf(std::array<std::uint8_t, 18> header, const Bytes& block) {
  header[0] = 0;
  Bytes file(header.begin(), header.end());
  file.insert(file.end(), block.begin(), block.end());
  return file;
}

// Encodes, then lays out the file with the header as the save left it (the map length may
// have been lowered), in that order.
Bytes SaveFile(const Bytes& pixels, std::array<std::uint8_t, 18> header) {
  const Bytes block = Encode(pixels, header);
  return FileOf(header, block);
}

Bytes DecodeFile(const Bytes& file) {
  Bytes out(ormel::tga::OutputBytes(file.data()), 0xCD);
  EXPECT_TRUE(ormel::tga::Decode(file, out));
  return out;
}

Bytes Rle(const Bytes& pixels, std::size_t pixelSize) {
  Bytes out(ormel::tga::RleWorstCase(pixels.size() / pixelSize, pixelSize));
  out.resize(ormel::tga::EncodeRleStream(pixels.data(), pixels.size() / pixelSize, pixelSize,
                                         out.data()));
  return out;
}

Bytes Repeat(std::size_t n, std::uint8_t v) { return Bytes(n, v); }
Bytes Counting(std::size_t n, std::size_t from = 0) {
  Bytes b(n - from);
  for (std::size_t i = from; i < n; ++i) b[i - from] = static_cast<std::uint8_t>(i);
  return b;
}
Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The packet rule over streams of 1-byte pixels.
struct RleCase {
  const char* name;
  Bytes pixels;
  Bytes packets;
};

class TgaRunLength : public testing::TestWithParam<RleCase> {};

TEST_P(TgaRunLength, WritesThePacketsOfTheRule) {
  const auto& c = GetParam();
  EXPECT_EQ(Rle(c.pixels, 1), c.packets);
  // And the packets decode to the stream again.
  Bytes back;
  ormel::tga::DecodeRlePackets(c.packets, 1, c.pixels.size(),
                               [&](const std::uint8_t* p) { back.push_back(*p); });
  EXPECT_EQ(back, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, TgaRunLength,
    testing::Values(
        RleCase{"LonePixelIsRaw", {7}, {0x00, 7}},
        RleCase{"TwoEqualAreARun", {7, 7}, {0x81, 7}},
        RleCase{"TwoDifferentAreOneRaw", {7, 8}, {0x01, 7, 8}},
        RleCase{"RawThenRun", {7, 8, 8}, {0x00, 7, 0x81, 8}},
        RleCase{"RunThenLoneLast", {7, 7, 8}, {0x81, 7, 0x00, 8}},
        RleCase{"RawStopsBeforeAPair", {1, 2, 3, 3, 4}, {0x01, 1, 2, 0x81, 3, 0x00, 4}},
        RleCase{"RunsCapAt128", Repeat(300, 9), {0xFF, 9, 0xFF, 9, 0xAB, 9}},
        RleCase{"RunOf129LeavesALoneRaw", Repeat(129, 9), {0xFF, 9, 0x00, 9}},
        RleCase{"RawCapsAt128",
                Counting(200),
                Concat({{0x7F}, Counting(128), {0x47}, Counting(200, 128)})}),
    [](const testing::TestParamInfo<RleCase>& info) { return info.param.name; });

TEST(TgaRunLength, ComparesWholePixels) {
  // Two 3-byte pixels equal in their first two bytes are still different pixels.
  const Bytes pixels{1, 2, 3, 1, 2, 4, 1, 2, 4};
  EXPECT_EQ(Rle(pixels, 3), (Bytes{0x00, 1, 2, 3, 0x81, 1, 2, 4}));
}

TEST(TgaRunLength, FinalPacketIsCutAtTheExpectedCount) {
  // A run of 128 when only 5 pixels are wanted, and a raw packet of 3 when 2 are wanted.
  int emitted = 0;
  EXPECT_EQ(ormel::tga::DecodeRlePackets(Bytes{0xFF, 1}, 1, 5,
                                         [&](const std::uint8_t*) { ++emitted; }),
            5u);
  EXPECT_EQ(emitted, 5);
  emitted = 0;
  EXPECT_EQ(ormel::tga::DecodeRlePackets(Bytes{0x02, 1, 2, 3}, 1, 2,
                                         [&](const std::uint8_t*) { ++emitted; }),
            2u);
  EXPECT_EQ(emitted, 2);
}

TEST(TgaSave, OneByOneRunLengthIsOneRawPacket) {
  auto hd = Header(0, 10, 1, 1, 24);
  EXPECT_EQ(Encode({10, 20, 30}, hd), (Bytes{0x00, 10, 20, 30}));
}

TEST(TgaSave, RowOfTwoEqualPixelsIsOneRunPacket) {
  auto hd = Header(0, 10, 2, 1, 32);
  EXPECT_EQ(Encode({1, 2, 3, 4, 1, 2, 3, 4}, hd), (Bytes{0x81, 1, 2, 3, 4}));
}

TEST(TgaSave, PacketsRunAcrossRowsOnlyWithTheOption) {
  // Three rows of three equal pixels.
  const Bytes pixels = Repeat(9 * 3, 5);
  auto perRow = Header(0, 10, 3, 3, 24);
  EXPECT_EQ(Encode(pixels, perRow), (Bytes{0x82, 5, 5, 5, 0x82, 5, 5, 5, 0x82, 5, 5, 5}));
  auto across = Header(0, 10, 3, 3, 24, 2);
  EXPECT_EQ(Encode(pixels, across), (Bytes{0x88, 5, 5, 5}));
}

// True-colour saves read back exactly, every mode and both depths.
struct TrueColourCase {
  int type;
  int depth;
  std::uint8_t options;
  bool noise;
};

class TgaTrueColourRoundTrip : public testing::TestWithParam<TrueColourCase> {};

TEST_P(TgaTrueColourRoundTrip, IsExact) {
  const auto c = GetParam();
  const int b = c.depth / 8;
  const auto pixels = c.noise ? ondrel_test::Noise(37, 23, b) : ondrel_test::PhotoLike(37, 23, b, true);
  auto hd = Header(0, c.type, 37, 23, c.depth, c.options);
  const auto block = Encode(pixels, hd);
  if (c.type == 2) {
    EXPECT_EQ(block, pixels);
  }
  EXPECT_EQ(DecodeFile(FileOf(hd, block)), pixels);
}

INSTANTIATE_TEST_SUITE_P(Modes, TgaTrueColourRoundTrip,
                         testing::Values(TrueColourCase{2, 24, 0, false},
                                         TrueColourCase{2, 32, 0, true},
                                         TrueColourCase{10, 24, 0, false},
                                         TrueColourCase{10, 32, 0, true},
                                         TrueColourCase{10, 24, 2, true},
                                         TrueColourCase{10, 32, 2, false}));

TEST(TgaSave, RunLengthBlockIsShrunkToTheBytesProduced) {
  // Noise never repeats a pixel: every packet raw, 128 pixels per header byte.
  const auto pixels = ondrel_test::Noise(256, 2, 4);
  auto hd = Header(0, 10, 256, 2, 32);
  EXPECT_EQ(Encode(pixels, hd).size(), 2u * (2 + 256 * 4));
}

TEST(TgaSave, RefusesWhatItDoesNotWrite) {
  const Bytes pixels(64 * 4, 0);
  auto grey = Header(0, 3, 4, 4, 8);
  auto mapType2 = Header(2, 2, 4, 4, 24);
  auto trueColourWithMap = Header(1, 2, 4, 4, 24);  // would announce a map it never writes
  auto palettedNoMap = Header(0, 1, 4, 4, 8);
  auto paletted32 = PalettedHeader(1, 4, 4, 16, 0);
  paletted32[7] = 32;  // the writer makes 24-bit entries only
  auto noColours = PalettedHeader(1, 4, 4, 0, 0);
  for (auto* hd : {&grey, &mapType2, &trueColourWithMap, &palettedNoMap, &paletted32, &noColours}) {
    EXPECT_FALSE(ormel::tga::Encode(pixels, *hd));
  }
}

TEST(TgaSave, ShortPixelBufferIsAnError) {
  auto hd = Header(0, 2, 4, 4, 32);
  EXPECT_THROW(ormel::tga::Encode(Bytes(63), hd), ormel::InvalidData);
}

// A hand-made colour-mapped file: ID field, map of `entries` entries of entryBits, indices.
Bytes MappedFile(int type, std::uint16_t first, const Bytes& map, int entryBits,
                 std::uint16_t w, std::uint16_t h, const Bytes& data, const Bytes& id = {}) {
  auto hd = Header(1, type, w, h, 8);
  hd[0] = static_cast<std::uint8_t>(id.size());
  ormel::StoreU16LE(&hd[3], first);
  ormel::StoreU16LE(&hd[5], static_cast<std::uint16_t>(map.size() / (entryBits / 8)));
  hd[7] = static_cast<std::uint8_t>(entryBits);
  return Concat({Bytes(hd.begin(), hd.end()), id, map, data});
}

TEST(TgaLoad, ColourMappedIndicesBecomeTheirEntries) {
  const Bytes map{1, 2, 3, 4, 5, 6, 7, 8, 9};
  const auto file = MappedFile(1, 0, map, 24, 3, 1, {2, 0, 1}, {'i', 'd'});
  EXPECT_EQ(DecodeFile(file), (Bytes{7, 8, 9, 1, 2, 3, 4, 5, 6}));
}

TEST(TgaLoad, IndicesOutsideTheMapAreBlack) {
  // First entry 10, two 32-bit entries: indices 10 and 11 exist; 9 and 12 do not.
  const Bytes map{1, 2, 3, 4, 5, 6, 7, 8};
  const auto file = MappedFile(1, 10, map, 32, 4, 1, {10, 9, 11, 12});
  EXPECT_EQ(DecodeFile(file), (Bytes{1, 2, 3, 4, 0, 0, 0, 255, 5, 6, 7, 8, 0, 0, 0, 255}));
}

TEST(TgaLoad, RunLengthIndicesCrossRowEnds) {
  const Bytes map{10, 11, 12, 20, 21, 22};
  // A run of three index-1 pixels spans both rows of a 2 x 2 image, then a raw index 0.
  const auto file = MappedFile(9, 0, map, 24, 2, 2, {0x82, 1, 0x00, 0});
  EXPECT_EQ(DecodeFile(file), (Bytes{20, 21, 22, 20, 21, 22, 20, 21, 22, 10, 11, 12}));
}

TEST(TgaLoad, TopLeftFileIsReturnedInFileOrder) {
  auto hd = Header(0, 2, 1, 2, 24);
  hd[17] = 0x20;
  EXPECT_EQ(DecodeFile(Concat({Bytes(hd.begin(), hd.end()), {1, 2, 3, 4, 5, 6}})),
            (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(TgaLoad, TrueColourFileWithAMapSkipsIt) {
  // 24-bit pixels after a map of two 32-bit entries; the buffer holds 4-byte pixels (b comes
  // from the entry size), so each pixel gets opaque alpha.
  auto hd = Header(1, 2, 2, 1, 24);
  ormel::StoreU16LE(&hd[5], 2);
  hd[7] = 32;
  const auto file = Concat({Bytes(hd.begin(), hd.end()), Bytes(8, 0xEE), {1, 2, 3, 4, 5, 6}});
  EXPECT_EQ(DecodeFile(file), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(TgaLoad, UnreadTypesTouchNothing) {
  for (const auto& hd : {Header(0, 3, 2, 2, 8), Header(2, 2, 2, 2, 24), Header(0, 11, 2, 2, 8)}) {
    const auto file = Concat({Bytes(hd.begin(), hd.end()), Bytes(12, 1)});
    Bytes out(16, 0xCD);
    EXPECT_FALSE(ormel::tga::Decode(file, out));
    EXPECT_EQ(out, Bytes(16, 0xCD));
  }
}

// A short file decodes what it holds, writes nothing further and reports the shortfall.
struct TruncationCase {
  const char* name;
  Bytes file;
  std::size_t decodedBytes;
};

class TgaTruncated : public testing::TestWithParam<TruncationCase> {};

TEST_P(TgaTruncated, StopsAtTheEndOfTheFile) {
  const auto& c = GetParam();
  Bytes out(ormel::tga::OutputBytes(c.file.data()), 0xCD);
  EXPECT_THROW(ormel::tga::Decode(c.file, out), ormel::InvalidData);
  for (std::size_t i = c.decodedBytes; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCD) << i;
}

Bytes TrueColourFile(int type, const Bytes& data) {
  const auto hd = Header(0, type, 2, 2, 24);
  return Concat({Bytes(hd.begin(), hd.end()), data});
}

Bytes Cut(Bytes file, std::size_t bytes) {
  file.resize(file.size() - bytes);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaTruncated,
    testing::Values(
        TruncationCase{"PlainHalfPixel", TrueColourFile(2, {1, 2, 3, 4, 5}), 3},
        TruncationCase{"PlainNoData", TrueColourFile(2, {}), 0},
        TruncationCase{"RunWithoutPixel", TrueColourFile(10, {0x83, 1}), 0},
        TruncationCase{"RawPacketCut", TrueColourFile(10, {0x03, 1, 2, 3, 4, 5, 6, 7}), 6},
        TruncationCase{"MapCut", Cut(MappedFile(1, 0, {1, 2, 3, 4, 5, 6}, 24, 2, 2, {}), 2), 0},
        TruncationCase{"IndicesCut", MappedFile(1, 0, {1, 2, 3}, 24, 2, 2, {0, 0}), 6}),
    [](const testing::TestParamInfo<TruncationCase>& info) { return info.param.name; });

TEST(TgaLoad, ShortHeaderIsAnError) {
  Bytes out(16);
  EXPECT_THROW(ormel::tga::Decode(Bytes(17, 0), out), ormel::InvalidData);
}

TEST(TgaLoad, StopsAtTheEndOfTheCallersBuffer) {
  // A 4 x 4 file whose one run covers all 16 pixels, into a buffer of 5 pixels.
  const auto hd = Header(0, 10, 4, 4, 24);
  const auto file = Concat({Bytes(hd.begin(), hd.end()), {0x8F, 1, 2, 3}});
  Bytes out(5 * 3 + 7, 0xCD);
  EXPECT_TRUE(ormel::tga::Decode(file, ormel::Bytes(out.data(), 5 * 3)));
  for (std::size_t i = 15; i < out.size(); ++i) EXPECT_EQ(out[i], 0xCD);
  EXPECT_EQ(out[12], 1);
}

// Paletted saves (types 1 and 9).
Bytes ThreeColourImage(std::uint32_t w, std::uint32_t h) {
  const std::array<std::array<std::uint8_t, 4>, 3> colours{
      {{{200, 10, 10, 255}}, {{10, 200, 10, 255}}, {{10, 10, 200, 255}}}};
  Bytes px;
  for (std::uint32_t i = 0; i < w * h; ++i) {
    const auto& c = colours[(i / 5) % 3];
    px.insert(px.end(), c.begin(), c.end());
  }
  return px;
}

TEST(TgaPaletted, CompressPaletteDropsTheUnfilledEntries) {
  const auto pixels = ThreeColourImage(16, 8);
  auto compressed = PalettedHeader(1, 16, 8, 256, 4);
  const auto small = Encode(pixels, compressed);
  EXPECT_EQ(ormel::LoadU16LE(&compressed[5]), 3);
  EXPECT_EQ(small.size(), 3u * 3 + 16 * 8);

  auto full = PalettedHeader(1, 16, 8, 256, 0);
  const auto large = Encode(pixels, full);
  EXPECT_EQ(ormel::LoadU16LE(&full[5]), 256);
  ASSERT_EQ(large.size(), 256u * 3 + 16 * 8);
  int black = 0;
  for (int i = 0; i < 256; ++i)
    black += large[i * 3] == 0 && large[i * 3 + 1] == 0 && large[i * 3 + 2] == 0;
  EXPECT_EQ(black, 253);

  // Both decode to the three colours exactly (alpha is not stored in 24-bit entries).
  for (const auto& [hd, block] : {std::pair{compressed, small}, std::pair{full, large}}) {
    const auto back = DecodeFile(FileOf(hd, block));
    ASSERT_EQ(back.size(), 16u * 8 * 3);
    for (std::size_t i = 0; i < 16 * 8; ++i)
      ASSERT_TRUE(std::equal(&back[i * 3], &back[i * 3 + 3], &pixels[i * 4])) << i;
  }
}

TEST(TgaPaletted, RunLengthRoundTripsInBothStreamModes) {
  const auto pixels = ThreeColourImage(7, 6);  // runs of 5 cross the 7-pixel rows
  for (const std::uint8_t options : {4, 4 | 2, 4 | 1}) {
    auto plain = PalettedHeader(1, 7, 6, 16, options);
    auto rle = PalettedHeader(9, 7, 6, 16, options);
    const auto plainBack = DecodeFile(SaveFile(pixels, plain));
    const auto rleBlock = Encode(pixels, rle);
    EXPECT_EQ(DecodeFile(FileOf(rle, rleBlock)), plainBack) << int(options);
    // Across rows the stream has fewer packets than one stream per row.
    if (options & 2) {
      auto perRow = PalettedHeader(9, 7, 6, 16, 4);
      EXPECT_LT(rleBlock.size(), Encode(pixels, perRow).size());
    }
  }
}

TEST(TgaPaletted, OnePixelWideRunLengthFitsItsBlock) {
  // Row by row every pixel is a lone raw packet: 2 bytes a pixel, more than n + n/2 + 1.
  Bytes pixels;
  for (int i = 0; i < 300; ++i) pixels.insert(pixels.end(), {std::uint8_t(i * 37), 9, 9, 255});
  auto hd = PalettedHeader(9, 1, 300, 256, 4);
  const auto block = Encode(pixels, hd);
  const std::size_t mapBytes = ormel::LoadU16LE(&hd[5]) * 3u;
  EXPECT_EQ(block.size(), mapBytes + 2 * 300);
  auto plain = PalettedHeader(1, 1, 300, 256, 4);
  EXPECT_EQ(DecodeFile(FileOf(hd, block)), DecodeFile(SaveFile(pixels, plain)));
}

TEST(TgaPaletted, ErrorDiffusionMapsToPaletteColours) {
  const auto pixels = ondrel_test::PhotoLike(32, 32, 4);
  auto hd = PalettedHeader(1, 32, 32, 8, 1);
  const auto block = Encode(pixels, hd);
  ASSERT_EQ(block.size(), 8u * 3 + 32 * 32);
  std::set<std::uint8_t> used(block.begin() + 24, block.end());
  EXPECT_GT(used.size(), 4u);
  EXPECT_LE(*used.rbegin(), 7);
}

}  // namespace
