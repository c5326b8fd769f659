#include "jpeg_codec.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "ormel_errors.hpp"
#include "synthetic.hpp"

extern "C" {
#include <jpeglib.h>
}

namespace {

using ormel::jpeg::Mode;

// A real one-component file from libjpeg, for the grey decoding path.
ormel::Block EncodeGreyForTest(const std::vector<std::uint8_t>& grey, int w, int h) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  for (int y = 0; y < h; ++y) {
    JSAMPROW row = const_cast<JSAMPLE*>(grey.data() + y * w);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return ormel::Block(out, size);
}

std::vector<std::uint8_t> DecodeAll(const ormel::Block& b, Mode mode, ormel::jpeg::FrameInfo* info) {
  const auto probe = ormel::jpeg::ReadInfo(b.bytes());
  std::vector<std::uint8_t> px(std::size_t{probe.width} * probe.height * BytesPerPixel(mode));
  *info = ormel::jpeg::Decode(b.bytes(), mode, px);
  return px;
}

// Marker (second byte) of the segment at `at`.
int MarkerAt(const ormel::Block& b, std::size_t at) {
  EXPECT_LT(at + 1, b.size());
  EXPECT_EQ(b.data()[at], 0xFF);
  return b.data()[at + 1];
}
int SegmentLength(const ormel::Block& b, std::size_t at) {
  return (b.data()[at + 2] << 8) | b.data()[at + 3];
}

class JpegRoundTrip : public testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(JpegRoundTrip, KeepsSizeAndStaysCloseToTheSource) {
  const auto [quality, progressive] = GetParam();
  const auto src = ondrel_test::PhotoLike(512, 384, 3);
  const auto file = ormel::jpeg::Encode(src, 512, 384, quality, progressive, Mode::ThreeChannel);
  EXPECT_EQ(MarkerAt(file, 0), 0xD8);
  // JFIF APP0 first, then the tables and the frame; find the frame marker.
  std::size_t at = 2;
  while (MarkerAt(file, at) != 0xC0 && MarkerAt(file, at) != 0xC2) at += 2 + SegmentLength(file, at);
  EXPECT_EQ(MarkerAt(file, at), progressive ? 0xC2 : 0xC0);

  ormel::jpeg::FrameInfo info;
  const auto back = DecodeAll(file, Mode::ThreeChannel, &info);
  EXPECT_EQ(info.width, 512u);
  EXPECT_EQ(info.height, 384u);
  EXPECT_EQ(info.progressive, progressive);
  // Measured: q1 ~ 27, q50 ~ 6.1, q90 ~ 3.6, q100 ~ 2.9 (noise of +-8 in the source).
  const double limit = quality == 1 ? 35 : quality == 50 ? 8 : 5;
  EXPECT_LT(ondrel_test::Rmse(src, back), limit);
}

INSTANTIATE_TEST_SUITE_P(Qualities, JpegRoundTrip,
                         testing::Combine(testing::Values(1, 50, 90, 100), testing::Bool()));

TEST(JpegCodec, QualityIsClampedToTheStandardTables) {
  const auto src = ondrel_test::PhotoLike(32, 32, 3);
  auto dqt = [&](int q) {
    const auto f = ormel::jpeg::Encode(src, 32, 32, q, false, Mode::ThreeChannel);
    return std::vector<std::uint8_t>(f.data(), f.data() + f.size());
  };
  EXPECT_EQ(dqt(0), dqt(1));
  EXPECT_EQ(dqt(150), dqt(100));
  EXPECT_NE(dqt(50), dqt(51));
}

// The BLP1 encoder cuts four-channel streams at fixed offsets; pin them on real output.
TEST(JpegCodec, FourChannelBaselineLayoutIsFixed) {
  const auto src = ondrel_test::PhotoLike(40, 24, 4, true);
  const auto f = ormel::jpeg::Encode(src, 40, 24, 75, false, Mode::FourChannel);
  EXPECT_EQ(MarkerAt(f, 0), 0xD8);
  EXPECT_EQ(MarkerAt(f, 2), 0xDB);
  EXPECT_EQ(SegmentLength(f, 2) + 2, 69);
  EXPECT_EQ(MarkerAt(f, 71), 0xC0);
  EXPECT_EQ(SegmentLength(f, 71) + 2, 22);
  EXPECT_EQ(f.data()[71 + 9], 4);  // four components
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(f.data()[71 + 10 + 3 * c + 1], 0x11) << "component " << c << " sampling";
    EXPECT_EQ(f.data()[71 + 10 + 3 * c + 2], 0) << "component " << c << " table";
  }
  EXPECT_EQ(MarkerAt(f, 93), 0xC4);
  EXPECT_EQ(SegmentLength(f, 93) + 2, 33);
  EXPECT_EQ(f.data()[93 + 4], 0x00);  // DC table 0
  EXPECT_EQ(MarkerAt(f, 126), 0xC4);
  EXPECT_EQ(SegmentLength(f, 126) + 2, 183);
  EXPECT_EQ(f.data()[126 + 4], 0x10);  // AC table 0
  EXPECT_EQ(MarkerAt(f, 309), 0xDA);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(f.data()[309 + 6 + 2 * c], 0x00);  // tables 0/0
}

TEST(JpegCodec, FourChannelProgressiveHasFrameAt71) {
  const auto src = ondrel_test::PhotoLike(16, 16, 4, true);
  const auto f = ormel::jpeg::Encode(src, 16, 16, 90, true, Mode::FourChannel);
  EXPECT_EQ(MarkerAt(f, 2), 0xDB);
  EXPECT_EQ(MarkerAt(f, 71), 0xC2);
  EXPECT_EQ(SegmentLength(f, 71) + 2, 22);
}

TEST(JpegCodec, FourChannelKeepsEveryComponentUntransformed) {
  // Each component its own pattern; with no colour transform each survives on its own.
  const auto src = ondrel_test::PhotoLike(64, 48, 4, true);
  const auto f = ormel::jpeg::Encode(src, 64, 48, 100, false, Mode::FourChannel);
  ormel::jpeg::FrameInfo info;
  const auto back = DecodeAll(f, Mode::FourChannel, &info);
  EXPECT_EQ(info.components, 4);
  for (int c = 0; c < 4; ++c) {
    double sum = 0;
    for (std::size_t i = c; i < src.size(); i += 4) sum += std::abs(int(src[i]) - int(back[i]));
    EXPECT_LT(sum / (src.size() / 4), 2.5) << "component " << c;
  }
}

TEST(JpegCodec, GreyFilesDecodeToEqualBlueGreenRed) {
  std::vector<std::uint8_t> grey(24 * 16);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 7);
  const auto f = EncodeGreyForTest(grey, 24, 16);
  ormel::jpeg::FrameInfo info;
  const auto back = DecodeAll(f, Mode::ThreeChannel, &info);
  EXPECT_EQ(info.components, 1);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    EXPECT_EQ(back[3 * i], back[3 * i + 1]);
    EXPECT_EQ(back[3 * i], back[3 * i + 2]);
    EXPECT_NEAR(back[3 * i], grey[i], 6);
  }
}

TEST(JpegCodec, TruncatedAndCorruptStreamsThrow) {
  const auto src = ondrel_test::PhotoLike(64, 64, 3);
  const auto f = ormel::jpeg::Encode(src, 64, 64, 90, false, Mode::ThreeChannel);
  std::vector<std::uint8_t> px(64 * 64 * 3);
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{20}, f.size() / 2,
                          f.size() - 2}) {
    const ormel::ConstBytes part(f.data(), cut);
    EXPECT_THROW(ormel::jpeg::Decode(part, Mode::ThreeChannel, px), ormel::JpegError)
        << "cut at " << cut;
  }
  const std::uint8_t notJpeg[] = {'B', 'L', 'P', '1', 0, 0, 0, 0};
  EXPECT_THROW(ormel::jpeg::ReadInfo(notJpeg), ormel::JpegError);
}

TEST(JpegCodec, NeverWritesPastTheCallersBuffer) {
  const auto src = ondrel_test::PhotoLike(32, 32, 3);
  const auto f = ormel::jpeg::Encode(src, 32, 32, 90, false, Mode::ThreeChannel);
  std::vector<std::uint8_t> px(32 * 32 * 3 + 16, 0xAB);
  ormel::jpeg::Decode(f.bytes(), Mode::ThreeChannel, ormel::Bytes(px.data(), 1000));
  for (std::size_t i = 1000; i < px.size(); ++i) ASSERT_EQ(px[i], 0xAB) << i;
  EXPECT_NE(px[999], 0xAB);
}

TEST(JpegCodec, EmptyImagesAreRefused) {
  std::vector<std::uint8_t> none;
  EXPECT_THROW(ormel::jpeg::Encode(none, 0, 5, 90, false, Mode::ThreeChannel), ormel::Error);
  EXPECT_THROW(ormel::jpeg::Encode(none, 5, 0, 90, false, Mode::ThreeChannel), ormel::Error);
}

TEST(JpegCodec, ModesDoNotInterfereAcrossThreads) {
  const auto rgb = ondrel_test::PhotoLike(96, 64, 3);
  const auto bgra = ondrel_test::PhotoLike(96, 64, 4, true);
  const auto f3 = ormel::jpeg::Encode(rgb, 96, 64, 90, false, Mode::ThreeChannel);
  const auto f4 = ormel::jpeg::Encode(bgra, 96, 64, 90, false, Mode::FourChannel);
  ormel::jpeg::FrameInfo info;
  const auto want3 = DecodeAll(f3, Mode::ThreeChannel, &info);
  bool same = true;
  std::thread other([&] {
    for (int i = 0; i < 30; ++i) {
      auto again = ormel::jpeg::Encode(bgra, 96, 64, 90, false, Mode::FourChannel);
      same = same && again.size() == f4.size();
    }
  });
  for (int i = 0; i < 30; ++i) {
    ormel::jpeg::FrameInfo inf;
    same = same && DecodeAll(f3, Mode::ThreeChannel, &inf) == want3;
  }
  other.join();
  EXPECT_TRUE(same);
}

}  // namespace

