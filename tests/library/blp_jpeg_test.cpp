// BLP1 JPEG content: merged and unmerged headers, baseline and progressive, the frame header
// deciding the level size, and streams the decoder declines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "blp_decoding.hpp"
#include "synthetic.hpp"

namespace {

using namespace ondrel_test;

constexpr std::uint32_t kSides[][2] = {{16, 8}, {8, 4}, {4, 2}};

std::vector<ByteVector> Streams(bool progressive) {
  std::vector<ByteVector> s;
  for (std::uint32_t k = 0; k < 3; ++k)
    s.push_back(JpegStream(PhotoLike(kSides[k][0], kSides[k][1], 4, true, k + 1), kSides[k][0],
                           kSides[k][1], progressive));
  return s;
}

ByteVector Unmerged(const std::vector<ByteVector>& streams) {
  return Make(Blp1File{.compression = 0, .width = 16, .height = 8, .content = JpegContent({}),
                       .levels = streams});
}

ByteVector Merged(const std::vector<ByteVector>& streams, bool progressive) {
  const MergedJpeg m = Merge(streams, progressive);
  return Make(Blp1File{.compression = 0, .width = 16, .height = 8,
                       .content = JpegContent(m.shared), .levels = m.levels});
}

ByteVector Reference(const ByteVector& stream, std::uint32_t w, std::uint32_t h) {
  ByteVector px(std::size_t{w} * h * 4);
  ormel::jpeg::Decode(stream, ormel::jpeg::Mode::FourChannel, px);
  return px;
}

class BlpJpeg : public testing::TestWithParam<bool> {};

TEST_P(BlpJpeg, MergedAndUnmergedDecodeTheSamePixels) {
  const bool progressive = GetParam();
  const auto streams = Streams(progressive);
  if (!progressive) {
    // The layout the merged arrangement relies on: SOF0 at 71, SOS at 309.
    ASSERT_EQ(streams[0][71], 0xFF);
    ASSERT_EQ(streams[0][72], 0xC0);
    ASSERT_EQ(streams[0][309], 0xFF);
    ASSERT_EQ(streams[0][310], 0xDA);
  }
  const ByteVector unmerged = Unmerged(streams), merged = Merged(streams, progressive);
  EXPECT_EQ(ormel::LoadU32LE(unmerged.data() + 156), 0u);
  EXPECT_EQ(ormel::LoadU32LE(unmerged.data() + 28), 160u);
  EXPECT_EQ(ormel::LoadU32LE(merged.data() + 156), progressive ? 76u : 292u);
  EXPECT_EQ(ormel::LoadU32LE(merged.data() + 28), progressive ? 236u : 452u);
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t w = kSides[k][0], h = kSides[k][1];
    const Decoded a = DecodeBlp(unmerged, k), b = DecodeBlp(merged, k);
    ASSERT_TRUE(a.decoded);
    ASSERT_TRUE(b.decoded);
    EXPECT_EQ(a.width, w);
    EXPECT_EQ(a.height, h);
    EXPECT_EQ(b.width, w);
    EXPECT_EQ(b.height, h);
    EXPECT_EQ(a.pixels, b.pixels) << "level " << k;
    EXPECT_EQ(a.Head(w * h), Reference(streams[k], w, h)) << "level " << k;
    EXPECT_TRUE(a.UntouchedFrom(w * h));
  }
}

INSTANTIATE_TEST_SUITE_P(Scans, BlpJpeg, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Progressive" : "Baseline"; });

// The four components are blue, green, red and alpha in stored order: the decoded level
// stays near its source in every channel, alpha included. Measured at quality 90 on this
// 16 x 8 picture: at most 15 per channel (a swapped pair of channels
// would differ by far more).
TEST(BlpJpegChannels, ComponentsInStoredOrder) {
  const ByteVector source = PhotoLike(16, 8, 4, true, 1);
  const Decoded d = DecodeBlp(Unmerged(Streams(false)), 0);
  int worst = 0;
  for (std::size_t i = 0; i < source.size(); ++i)
    worst = std::max(worst, std::abs(int{d.pixels[i]} - int{source[i]}));
  EXPECT_LE(worst, 15);
}

TEST(BlpJpegFrame, FrameSizeWinsOverTheHeader) {
  const auto streams = Streams(false);
  ByteVector file = Unmerged(streams);
  PutU32(file, 12, 64);
  PutU32(file, 16, 64);
  const Decoded d = DecodeBlp(file, 1);
  EXPECT_EQ(d.width, 8);
  EXPECT_EQ(d.height, 4);
  EXPECT_EQ(d.Head(32), Reference(streams[1], 8, 4));

  // A frame larger than the caller's buffer fills the buffer and writes no further.
  PutU32(file, 12, 2);
  PutU32(file, 16, 2);
  ByteVector room(16 * 8 * 4, kSentinel);
  std::uint16_t w = 0, h = 0;
  ASSERT_TRUE(ormel::blp::Decode(file, 0, ormel::Bytes(room.data(), 16), w, h));
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 8);
  const ByteVector full = Reference(streams[0], 16, 8);
  EXPECT_TRUE(std::equal(room.begin(), room.begin() + 16, full.begin()));
  EXPECT_TRUE(std::all_of(room.begin() + 16, room.end(), [](auto b) { return b == kSentinel; }));
}

// Exact decoding (the length-taking export) holds the frame to the level's size, so the
// caller's level-sized buffer is all that libjpeg writes, and every byte of it.
TEST(BlpJpegFrame, ExactDecodingRefusesAFrameOfAnotherSize) {
  const auto streams = Streams(false);
  ByteVector file = Unmerged(streams);
  // Entries 3 and 4 repeat level 2, as writers fill the table past their last level.
  for (int k : {3, 4}) {
    PutU32(file, 28 + 4 * k, ormel::LoadU32LE(file.data() + 28 + 8));
    PutU32(file, 92 + 4 * k, ormel::LoadU32LE(file.data() + 92 + 8));
  }
  const auto exact = [&](const ByteVector& f, unsigned level, ByteVector& px) {
    std::uint16_t w = 0, h = 0;
    const bool decoded = ormel::blp::Decode(f, level, px, w, h, ormel::blp::Bounds::Exact);
    return std::tuple(decoded, w, h);
  };
  for (unsigned level : {0u, 1u, 2u, 4u}) {
    ByteVector px(16 * 8 * 4, kSentinel);
    const auto [decoded, w, h] = exact(file, level, px);
    const auto& side = kSides[std::min(level, 2u)];
    EXPECT_TRUE(decoded) << level;
    EXPECT_EQ(w, side[0]) << level;
    EXPECT_EQ(h, side[1]) << level;
    EXPECT_EQ(ByteVector(px.begin(), px.begin() + w * h * 4),
              Reference(streams[std::min(level, 2u)], side[0], side[1])) << level;
  }

  // A header that claims 16384 x 16384 over the 16 x 8 frame, and one that claims less.
  for (std::uint32_t side : {16384u, 8u}) {
    PutU32(file, 12, side);
    PutU32(file, 16, side);
    ByteVector px(16 * 8 * 4, kSentinel);
    EXPECT_THROW(exact(file, 0, px), ormel::InvalidData) << side;
    EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](auto b) { return b == kSentinel; }));
  }
}

TEST(BlpJpegFrame, StreamWithoutFrameHeaderDecodesNothing) {
  ByteVector stream = Streams(false)[0];
  stream[72] = 0xC1;  // SOF1: not a frame this decoder looks for
  stream.resize(80);  // the walk then runs off the end
  const Decoded d = DecodeBlp(Unmerged({stream}), 0);
  EXPECT_FALSE(d.decoded);
  EXPECT_EQ(d.width, 0xBEEF);
  EXPECT_TRUE(d.UntouchedFrom(0));

  const Decoded empty = DecodeBlp(Unmerged({ByteVector{}}), 0);
  EXPECT_FALSE(empty.decoded);
}

TEST(BlpJpegFrame, CorruptLevelRaisesTheCodecError) {
  ByteVector stream = Streams(false)[0];
  stream.resize(stream.size() / 2);
  const ByteVector file = Unmerged({stream});
  ByteVector px(16 * 8 * 4);
  std::uint16_t w = 0, h = 0;
  EXPECT_THROW(ormel::blp::Decode(file, 0, px, w, h), ormel::JpegError);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 8);
}

}  // namespace
