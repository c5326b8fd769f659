// Hostile variants of the sample files: every prefix and single-bit flips. The decoder may
// refuse them with an ormel::Error; anything else (a crash, a sanitizer report, another
// exception) fails.
#include <gtest/gtest.h>

#include <algorithm>

#include "blp_decoding.hpp"
#include "blp_samples.hpp"

namespace {

using namespace ondrel_test;

// Decodes from an exactly sized copy, so a read past the end is a sanitizer report.
void Survive(const ByteVector& bytes) {
  const ByteVector file(bytes);
  TBLPHeader header{};
  try {
    ormel::blp::GetHeader(file, header);
  } catch (const ormel::Error&) {
  }
  for (unsigned mipmap : {0u, 1u, 15u}) {
    ByteVector pixels(8 * 8 * 4);
    std::uint16_t w = 0, h = 0;
    try {
      ormel::blp::Decode(file, mipmap, pixels, w, h);
    } catch (const ormel::Error&) {
    }
  }
}

class BlpSweep : public testing::TestWithParam<Sample> {};

TEST_P(BlpSweep, EveryPrefix) {
  const ByteVector& file = GetParam().file;
  const std::size_t limit = std::min<std::size_t>(file.size(), 1400);
  for (std::size_t n = 0; n <= limit; ++n) Survive(ByteVector(file.begin(), file.begin() + n));
  for (std::size_t n = limit; n < file.size(); n += 7)
    Survive(ByteVector(file.begin(), file.begin() + n));
}

TEST_P(BlpSweep, BitFlips) {
  const ByteVector& file = GetParam().file;
  for (std::size_t i = 0; i < file.size(); i += (i < 160 ? 1 : 5)) {
    for (int bit : {0, 3, 7}) {
      ByteVector flipped = file;
      flipped[i] ^= static_cast<std::uint8_t>(1 << bit);
      Survive(flipped);
    }
  }
}

// Exact decoding of a prefix: an error, or every byte of the level written. Two buffers
// filled with different patterns must come out the same; a prefix that cuts the level must
// be refused, and one that holds it must decode as the whole file does.
struct ExactResult {
  bool refused = false;
  std::uint16_t width = 0, height = 0;
  ByteVector pixels;
};

ExactResult DecodeExact(const ByteVector& file, unsigned mipmap, std::uint8_t fill) {
  ExactResult r;
  r.pixels.assign(8 * 8 * 4, fill);
  try {
    if (!ormel::blp::Decode(file, mipmap, r.pixels, r.width, r.height, ormel::blp::Bounds::Exact))
      r.refused = true;
  } catch (const ormel::Error&) {
    r.refused = true;
  }
  r.pixels.resize(std::size_t{r.width} * r.height * 4);
  return r;
}

TEST_P(BlpSweep, ExactDecodingShowsOnlyWhatThePrefixHolds) {
  const ByteVector& file = GetParam().file;
  TBLPHeader header{};
  ASSERT_TRUE(ormel::blp::GetHeader(file, header));
  for (unsigned mipmap : {0u, 1u}) {
    const ExactResult whole = DecodeExact(file, mipmap, 0x00);
    ASSERT_FALSE(whole.refused) << "level " << mipmap;
    const std::uint64_t levelEnd =
        std::uint64_t{header.MipmapOffsets[mipmap]} + header.MipmapSizes[mipmap];
    for (std::size_t n = 0; n < file.size(); ++n) {
      const ByteVector prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
      const ExactResult a = DecodeExact(prefix, mipmap, 0x00);
      const ExactResult b = DecodeExact(prefix, mipmap, 0xA5);
      ASSERT_EQ(a.refused, b.refused) << n << " bytes, level " << mipmap;
      if (n < levelEnd) {
        EXPECT_TRUE(a.refused) << n << " bytes, level " << mipmap << " ends at " << levelEnd;
        continue;
      }
      if (a.refused) continue;  // a shortened palette or shared header may still be cut
      EXPECT_EQ(a.pixels, b.pixels) << n << " bytes, level " << mipmap;
      EXPECT_EQ(a.pixels, whole.pixels) << n << " bytes, level " << mipmap;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, BlpSweep, testing::ValuesIn(BlpSamples()),
                         [](const auto& info) { return info.param.name; });

// The samples themselves decode at both levels.
TEST(BlpSamples, AllDecode) {
  for (const auto& s : BlpSamples()) {
    for (unsigned k : {0u, 1u}) {
      const Decoded d = DecodeBlp(s.file, k);
      EXPECT_TRUE(d.decoded) << s.name << " level " << k;
      EXPECT_FALSE(d.UntouchedFrom(0)) << s.name << " level " << k;
    }
  }
}

}  // namespace
