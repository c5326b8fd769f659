// Lanczos-3 resampler and plain stretch: the exact arithmetic (against a plain scalar
// reference written straight from the rules), the mapping tables, edge cases, and the region
// entry's identity with the full scale.
#include "resample.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "synthetic.hpp"

// The reference must round like the library: no fused multiply-add here either.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace {

using ormel::Contributor;

// --- Reference: one accumulator at a time, vectors of vectors, no padding, no shortcuts ---

namespace reference {

float Sinc(float x) {
  if (x == 0.0f) return 1.0f;
  const float t = static_cast<float>(static_cast<long double>(x) * 3.1415926535897932385L);
  return static_cast<float>(std::sin(static_cast<long double>(t)) / static_cast<long double>(t));
}

float Lanczos(float x) {
  x = std::fabs(x);
  if (x >= 3.0f) return 0.0f;
  return Sinc(x) * Sinc(x / 3.0f);
}

using Table = std::vector<std::vector<Contributor>>;

Table Build(int dstCount, int srcCount) {
  Table table(dstCount);
  if (srcCount == 1) {
    for (auto& entry : table) entry.push_back({0, 1.0f});
    return table;
  }
  if (srcCount == 0 || dstCount == 0) return {};
  // Each value kept in single precision is evaluated in double and rounded once, when stored;
  // the window bounds come from the unrounded sums.
  const float radius = 2.0f;
  const float scale = float(double(dstCount) / double(srcCount));
  for (int i = 0; i < dstCount; ++i) {
    auto& entry = table[i];
    const bool reducing = scale < 1.0f;
    const float r = reducing ? radius / scale : radius;
    const float centre = reducing ? float((i + 0.5) / double(scale) + (0 - 0.5))
                                  : float((i + 0.5) * (1.0 / double(scale)) + (0 - 0.5));
    const double lo = std::floor(double(centre) - double(r));
    const double hi = std::ceil(double(centre) + double(r));
    for (int j = int(lo); j <= int(hi); ++j) {
      const float w = reducing ? Lanczos(float((double(centre) - j) * double(scale))) * scale
                               : Lanczos(float(double(centre) - j));
      if (w != 0.0f) entry.push_back({std::clamp(j, 0, srcCount - 1), w});
    }
    float running = -1.0f;
    for (const auto& c : entry) running += c.weight;
    if (running != 0.0f) entry[(entry.size() - 1) / 2].weight -= running;
  }
  return table;
}

// Packed 4-byte pixels, top row first.
std::vector<std::uint8_t> Scale(const std::vector<std::uint8_t>& src, int sw, int sh, int dw,
                                int dh) {
  std::vector<std::uint8_t> dst(std::size_t(dw) * dh * 4, 0);
  const Table columns = Build(dw, sw), rows = Build(dh, sh);
  if (columns.empty() || rows.empty()) return dst;
  int minCol = sw, maxCol = -1;
  for (const auto& e : columns)
    for (const auto& c : e) minCol = std::min(minCol, c.pos), maxCol = std::max(maxCol, c.pos);
  std::vector<float> buffer(std::size_t(maxCol - minCol + 1) * 4);
  for (int y = 0; y < dh; ++y) {
    for (int x = minCol; x <= maxCol; ++x) {
      for (int ch = 0; ch < 4; ++ch) {
        float acc = 0.0f;
        for (const auto& c : rows[y])
          acc = acc + float(src[(std::size_t(c.pos) * sw + x) * 4 + ch]) * c.weight;
        buffer[std::size_t(x - minCol) * 4 + ch] = acc;
      }
    }
    for (int x = 0; x < dw; ++x) {
      for (int ch = 0; ch < 4; ++ch) {
        float acc = 0.0f;
        for (const auto& c : columns[x])
          acc = acc + buffer[std::size_t(c.pos - minCol) * 4 + ch] * c.weight;
        dst[(std::size_t(y) * dw + x) * 4 + ch] =
            std::uint8_t(std::clamp(std::nearbyint(acc), 0.0f, 255.0f));
      }
    }
  }
  return dst;
}

}  // namespace reference

// --- Helpers ------------------------------------------------------------------------------

struct Image {
  std::uint32_t w = 0, h = 0;
  std::vector<std::uint8_t> px;
  ormel::ImageView view() const { return {px.data(), w, h, std::size_t{w} * 4}; }
  ormel::MutableImageView mutableView() { return {px.data(), w, h, std::size_t{w} * 4}; }
};

Image Blank(std::uint32_t w, std::uint32_t h, std::uint8_t fill = 0) {
  return {w, h, std::vector<std::uint8_t>(std::size_t{w} * h * 4, fill)};
}

// Noise in every channel, alpha included, so every overshoot and clamp is exercised.
Image NoiseImage(std::uint32_t w, std::uint32_t h, std::uint32_t seed = 3) {
  return {w, h, ondrel_test::Noise(w, h, 4, seed)};
}

Image Scaled(const Image& src, std::uint32_t w, std::uint32_t h, bool lanczos) {
  Image dst = Blank(w, h, 0xCD);
  ormel::ScaleBitmap(src.view(), dst.mutableView(), lanczos);
  return dst;
}

std::size_t FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) return i;
  return a.size() == b.size() ? std::size_t(-1) : std::min(a.size(), b.size());
}

// --- Kernel -------------------------------------------------------------------------------

TEST(LanczosKernel, ValuesZerosAndSymmetry) {
  EXPECT_EQ(ormel::SincValue(0.0f), 1.0f);
  EXPECT_EQ(ormel::LanczosWeight(0.0f), 1.0f);
  EXPECT_EQ(ormel::LanczosWeight(3.0f), 0.0f);
  EXPECT_EQ(ormel::LanczosWeight(-3.0f), 0.0f);
  EXPECT_EQ(ormel::LanczosWeight(7.5f), 0.0f);
  for (float x : {0.1f, 0.5f, 1.0f, 1.25f, 2.0f, 2.75f, 2.999f}) {
    EXPECT_EQ(ormel::LanczosWeight(x), ormel::LanczosWeight(-x)) << x;
    const double px = M_PI * x;
    const double exact = std::sin(px) / px * std::sin(px / 3) / (px / 3);
    EXPECT_NEAR(ormel::LanczosWeight(x), exact, 1e-6) << x;
  }
  // At whole distances sin(pi * k) is not exactly 0 in single precision: a tiny residue.
  EXPECT_NE(ormel::LanczosWeight(1.0f), 0.0f);
  EXPECT_LT(std::fabs(ormel::LanczosWeight(1.0f)), 1e-6f);
}

// --- Mapping tables -----------------------------------------------------------------------

TEST(ContributorTable, TwoToOneTakesTenClampedTapsWithTheResidueOnTheMiddle) {
  const auto table = ormel::BuildContributors(0, 1, 0, 2, ormel::LanczosWeight, 2.0f);
  ASSERT_EQ(table.size(), 1u);
  const auto entry = table[0];
  ASSERT_EQ(entry.size(), 10u);
  float running = -1.0f;
  for (int k = 0; k < 10; ++k) {
    const int j = k - 4;
    EXPECT_EQ(entry[k].pos, j <= 0 ? 0 : 1) << k;
    const float raw = ormel::LanczosWeight((0.5f - float(j)) * 0.5f) * 0.5f;
    running += raw;
    if (k != 4) {
      EXPECT_EQ(entry[k].weight, raw) << k;
    }
  }
  const float middle = ormel::LanczosWeight((0.5f - 0.0f) * 0.5f) * 0.5f;
  EXPECT_EQ(entry[4].weight, middle - running);
  EXPECT_NE(running, 0.0f);  // the case really has a residue to place
}

// Three to one: scale 1/3 is 0.33333334f, so the centre (0.5 / scale - 0.5, rounded once) is
// 0.99999994 and the window (6.0) starts below -5: fourteen taps, j = -6..7, each weighed at
// (centre - j) * scale formed in double and rounded once. Rounding each operation to single
// instead gives the centre 1.0 and thirteen taps.
TEST(ContributorTable, ThreeToOneCentreIsRoundedOnceAndTakesFourteenTaps) {
  const auto table = ormel::BuildContributors(0, 1, 0, 3, ormel::LanczosWeight, 2.0f);
  ASSERT_EQ(table.size(), 1u);
  const auto entry = table[0];
  ASSERT_EQ(entry.size(), 14u);
  const float centre = 0.99999994f;
  for (int k = 0; k < 14; ++k) {
    const int j = k - 6;
    EXPECT_EQ(entry[k].pos, std::clamp(j, 0, 2)) << k;
    if (k != 6) {
      const float scale = 1.0f / 3.0f;
      EXPECT_EQ(entry[k].weight, ormel::LanczosWeight(float((double(centre) - j) * scale)) * scale)
          << k;
    }
  }
}

TEST(ContributorTable, SameSizeIsCentredWithTinySideWeights) {
  const auto table = ormel::BuildContributors(0, 9, 0, 9, ormel::LanczosWeight, 2.0f);
  ASSERT_EQ(table.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    const auto entry = table[i];
    ASSERT_EQ(entry.size(), 5u) << i;
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(entry[k].pos, std::clamp(i - 2 + k, 0, 8));
      if (k == 2) {
        EXPECT_NEAR(entry[k].weight, 1.0f, 1e-6f);
      } else {
        EXPECT_LT(std::fabs(entry[k].weight), 1e-6f);
      }
    }
  }
}

TEST(ContributorTable, OneSourceSampleAndEmptySides) {
  const auto one = ormel::BuildContributors(0, 4, 0, 1, ormel::LanczosWeight, 2.0f);
  ASSERT_EQ(one.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    ASSERT_EQ(one[i].size(), 1u);
    EXPECT_EQ(one[i][0], (Contributor{0, 1.0f}));
  }
  EXPECT_TRUE(ormel::BuildContributors(0, 0, 0, 5, ormel::LanczosWeight, 2.0f).empty());
  EXPECT_TRUE(ormel::BuildContributors(0, 5, 0, 0, ormel::LanczosWeight, 2.0f).empty());
}

TEST(ContributorTable, MatchesTheReferenceAndRangesAreSlices) {
  for (auto [d, s] : {std::pair{1, 2}, {3, 7}, {7, 3}, {64, 64}, {100, 37}, {37, 100},
                      {2048, 4096}, {2048, 512}, {1, 1000}, {5, 2}}) {
    const auto ours = ormel::BuildContributors(0, d, 0, s, ormel::LanczosWeight, 2.0f);
    const auto ref = reference::Build(d, s);
    ASSERT_EQ(ours.size(), ref.size());
    for (int i = 0; i < d; ++i) {
      const auto entry = ours[i];
      ASSERT_EQ(std::vector<Contributor>(entry.begin(), entry.end()), ref[i]) << d << "<-" << s << " #" << i;
    }
    const int first = d / 3, count = std::max(1, d / 4);
    const auto slice =
        ormel::BuildContributorRange(d, 0, s, first, count, ormel::LanczosWeight, 2.0f);
    ASSERT_EQ(slice.size(), std::size_t(count));
    for (int i = 0; i < count; ++i) {
      const auto entry = slice[i];
      ASSERT_EQ(std::vector<Contributor>(entry.begin(), entry.end()), ref[first + i]);
    }
  }
}

// --- Whole images against the reference ---------------------------------------------------

struct ScaleCase {
  std::uint32_t sw, sh, dw, dh;
};

class LanczosAgainstReference : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(LanczosAgainstReference, EveryKernelSetGivesTheReferenceBytes) {
  const ScaleCase c = GetParam();
  const Image src = NoiseImage(c.sw, c.sh, c.sw * 31 + c.sh);
  const auto want = reference::Scale(src.px, int(c.sw), int(c.sh), int(c.dw), int(c.dh));
  for (auto choice : {ormel::KernelChoice::Best, ormel::KernelChoice::Baseline,
                      ormel::KernelChoice::Scalar}) {
    Image dst = Blank(c.dw, c.dh);
    ormel::Resample(src.view(), 0, 0, int(c.sw), int(c.sh), dst.mutableView(), 0, 0, int(c.dw),
                    int(c.dh), ormel::LanczosWeight, 2.0f, choice);
    const std::size_t at = FirstDifference(dst.px, want);
    ASSERT_EQ(at, std::size_t(-1)) << "kernel set " << int(choice) << ", first difference at pixel "
                                   << at / 4 << " channel " << at % 4;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LanczosAgainstReference,
    ::testing::Values(ScaleCase{2, 2, 1, 1}, ScaleCase{1, 1, 5, 3}, ScaleCase{3, 7, 11, 2},
                      ScaleCase{17, 13, 8, 5}, ScaleCase{64, 64, 32, 32},
                      ScaleCase{100, 37, 250, 91}, ScaleCase{13, 1, 40, 3},
                      ScaleCase{1, 13, 3, 40}, ScaleCase{255, 3, 17, 9},
                      ScaleCase{33, 33, 33, 33}, ScaleCase{7, 300, 7, 150},
                      ScaleCase{9, 9, 1, 1}, ScaleCase{40, 23, 39, 24},
                      ScaleCase{128, 96, 512, 384}, ScaleCase{515, 17, 129, 35},
                      ScaleCase{19, 19, 70, 70}));

// --- Edge cases ---------------------------------------------------------------------------

TEST(Lanczos, SameSizeReturnsTheInput) {
  const Image src{61, 47, ondrel_test::PhotoLike(61, 47, 4, /*withAlpha=*/true)};
  EXPECT_EQ(Scaled(src, 61, 47, true).px, src.px);
}

TEST(Lanczos, OnePixelSourceFillsTheDestination) {
  const Image src{1, 1, {10, 20, 30, 40}};
  const Image dst = Scaled(src, 7, 5, true);
  for (std::size_t i = 0; i < dst.px.size(); i += 4)
    ASSERT_EQ(std::vector<std::uint8_t>(dst.px.begin() + i, dst.px.begin() + i + 4), src.px);
}

TEST(Lanczos, OneColumnSourceMakesUniformRows) {
  const Image src = NoiseImage(1, 9);
  const Image dst = Scaled(src, 6, 20, true);
  for (std::uint32_t y = 0; y < dst.h; ++y)
    for (std::uint32_t x = 1; x < dst.w; ++x)
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(dst.px[(y * dst.w + x) * 4 + c], dst.px[y * dst.w * 4 + c]);
}

TEST(Lanczos, EmptySourceOrDestinationWritesNothing) {
  std::vector<std::uint8_t> guard(64, 0xAB);
  const Image src = NoiseImage(8, 8);
  ormel::ScaleBitmap(src.view(), {guard.data(), 0, 4, 16}, true);
  ormel::ScaleBitmap(src.view(), {guard.data(), 4, 0, 16}, true);
  ormel::ScaleBitmap(src.view(), {guard.data(), 0, 4, 16}, false);
  ormel::ScaleBitmap({nullptr, 0, 0, 0}, {guard.data(), 4, 4, 16}, true);
  ormel::ScaleBitmap({nullptr, 0, 0, 0}, {guard.data(), 4, 4, 16}, false);
  EXPECT_EQ(guard, std::vector<std::uint8_t>(64, 0xAB));
}

TEST(Lanczos, HardBlackWhiteEdgeClampsWithoutWrapping) {
  // Left half black, right half white: the lobes overshoot below 0 and above 255 at the
  // edge. Far from it the halves stay exactly 0 and 255; next to it nothing wraps around.
  Image src = Blank(64, 6);
  for (std::uint32_t y = 0; y < 6; ++y)
    for (std::uint32_t x = 32; x < 64; ++x)
      for (int c = 0; c < 3; ++c) src.px[(y * 64 + x) * 4 + c] = 255;
  for (auto [w, h] : {std::pair{40u, 5u}, {23u, 3u}, {160u, 9u}}) {
    const Image dst = Scaled(src, w, h, true);
    for (std::uint32_t y = 0; y < h; ++y) {
      for (std::uint32_t x = 0; x < w; ++x) {
        const std::uint8_t v = dst.px[(y * w + x) * 4];
        const double sourceX = (x + 0.5) * 64.0 / w;
        if (sourceX < 32 - 8) {
          ASSERT_EQ(v, 0) << w << " x " << x;
        }
        if (sourceX > 32 + 8) {
          ASSERT_EQ(v, 255) << w << " x " << x;
        }
        if (x + 1 < w) {
          ASSERT_LE(int(v), int(dst.px[(y * w + x + 1) * 4]) + 40) << "wrapped";
        }
      }
    }
  }
}

TEST(Lanczos, OpaqueAlphaStaysOpaque) {
  const Image src{97, 61, ondrel_test::PhotoLike(97, 61, 4)};
  for (auto [w, h] : {std::pair{48u, 30u}, {300u, 200u}, {13u, 97u}, {1u, 1u}}) {
    const Image dst = Scaled(src, w, h, true);
    for (std::size_t i = 3; i < dst.px.size(); i += 4) ASSERT_EQ(dst.px[i], 255) << w;
  }
}

TEST(Lanczos, RespectsTheDestinationStride) {
  const Image src = NoiseImage(20, 10);
  std::vector<std::uint8_t> padded(std::size_t{9} * (7 * 4 + 12), 0xEE);
  ormel::ScaleBitmap(src.view(), {padded.data(), 7, 9, 7 * 4 + 12}, true);
  const Image tight = Scaled(src, 7, 9, true);
  for (std::size_t y = 0; y < 9; ++y) {
    const auto row = padded.begin() + std::ptrdiff_t(y * 40);
    EXPECT_TRUE(std::equal(row, row + 28, tight.px.begin() + std::ptrdiff_t(y * 28)));
    EXPECT_TRUE(std::all_of(row + 28, row + 40, [](std::uint8_t b) { return b == 0xEE; }));
  }
}

// --- Plain stretch ------------------------------------------------------------------------

TEST(PlainStretch, PicksTheSourcePixelUnderEachCentreWithAllFourBytes) {
  EXPECT_EQ(ormel::NearestSource(0, 2, 4), 0u);
  EXPECT_EQ(ormel::NearestSource(1, 2, 4), 0u);
  EXPECT_EQ(ormel::NearestSource(2, 2, 4), 1u);
  EXPECT_EQ(ormel::NearestSource(0, 4, 2), 1u);
  EXPECT_EQ(ormel::NearestSource(1, 4, 2), 3u);
  EXPECT_EQ(ormel::NearestSource(2, 3, 3), 2u);
  EXPECT_EQ(ormel::NearestSource(81919, 4096, 81920), 4095u);
  const Image src = NoiseImage(13, 7);
  const Image dst = Scaled(src, 31, 5, false);
  for (std::uint32_t y = 0; y < 5; ++y) {
    for (std::uint32_t x = 0; x < 31; ++x) {
      const std::uint32_t sx = std::uint32_t((2 * x + 1) * 13 / 62), sy = (2 * y + 1) * 7 / 10;
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(dst.px[(y * 31 + x) * 4 + c], src.px[(sy * 13 + sx) * 4 + c]);
    }
  }
  EXPECT_EQ(Scaled(src, 13, 7, false).px, src.px);
}

// --- Region entry -------------------------------------------------------------------------

struct RegionCase {
  std::uint32_t sw, sh, fw, fh;
};

class RegionIdentity : public ::testing::TestWithParam<std::tuple<RegionCase, bool>> {};

TEST_P(RegionIdentity, EveryRegionEqualsThatPartOfTheFullScale) {
  const auto [c, lanczos] = GetParam();
  const Image src = NoiseImage(c.sw, c.sh, c.fw + c.fh);
  const Image full = Scaled(src, c.fw, c.fh, lanczos);
  const std::uint32_t W = c.fw, H = c.fh;
  const std::vector<ormel::Rect> regions = {
      {0, 0, W, H},                                 // everything
      {0, 0, 1, 1},                                 // corners, one pixel
      {W - 1, H - 1, 1, 1},
      {W - 1, 0, 1, H},                             // last column
      {0, H - 1, W, 1},                             // last row
      {W / 3, H / 2, W - W / 3, (H + 1) / 2 - (H + 1) / 4},  // interior to the right edge
      {W / 2, H / 3, 1, 1},                         // one pixel inside
      {(W * 7) / 11, (H * 5) / 13, W - (W * 7) / 11, H - (H * 5) / 13},
  };
  for (const ormel::Rect& r : regions) {
    if (r.width == 0 || r.height == 0) continue;
    // A padded destination: the region entry must write only its rectangle.
    const std::size_t stride = std::size_t{r.width} * 4 + 8;
    std::vector<std::uint8_t> out(stride * r.height, 0x5A);
    ormel::ScaleRegion(src.view(), W, H, r, {out.data(), r.width, r.height, stride}, lanczos);
    for (std::uint32_t y = 0; y < r.height; ++y) {
      const auto fullRow = full.px.begin() + std::ptrdiff_t((std::size_t{r.y + y} * W + r.x) * 4);
      ASSERT_TRUE(std::equal(fullRow, fullRow + std::ptrdiff_t(r.width) * 4,
                             out.begin() + std::ptrdiff_t(y * stride)))
          << "region " << r.x << "," << r.y << " " << r.width << "x" << r.height << " row " << y;
      ASSERT_EQ(out[y * stride + stride - 1], 0x5A);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionIdentity,
    ::testing::Combine(::testing::Values(RegionCase{7, 5, 61, 43},     // enlargement
                                         RegionCase{97, 61, 23, 17},   // reduction
                                         RegionCase{13, 1, 40, 3},     // one-row source
                                         RegionCase{1, 9, 5, 40},      // one-column source
                                         RegionCase{16, 16, 16, 16},   // same size
                                         RegionCase{33, 20, 660, 400}, // 2000 %
                                         RegionCase{50, 31, 49, 200},  // mixed axes
                                         RegionCase{3, 3, 1, 1}),
                       ::testing::Bool()));

TEST(RegionEntry, RejectsRegionsOutsideTheScaleAndSmallDestinations) {
  const Image src = NoiseImage(8, 8);
  std::vector<std::uint8_t> out(16 * 16 * 4);
  const ormel::MutableImageView view{out.data(), 16, 16, 64};
  EXPECT_THROW(ormel::ScaleRegion(src.view(), 20, 20, {10, 0, 11, 1}, view, true),
               std::invalid_argument);
  EXPECT_THROW(ormel::ScaleRegion(src.view(), 20, 20, {0, 19, 1, 2}, view, false),
               std::invalid_argument);
  EXPECT_THROW(ormel::ScaleRegion(src.view(), 40, 40, {0, 0, 17, 1}, view, true),
               std::invalid_argument);
  EXPECT_THROW(ormel::ScaleRegion(src.view(), 0xFFFFFFFFu, 20, {0xFFFFFFF0u, 0, 0x20, 1}, view,
                                  true),
               std::invalid_argument);
  EXPECT_NO_THROW(ormel::ScaleRegion(src.view(), 20, 20, {20, 20, 0, 0}, view, true));
}

TEST(RegionEntry, ZoomOfALargeImageCostsOnlyTheRegion) {
  // 4096 x 4096 at 2000 %: the full result would be 6.7 GB; one screen of it is cheap.
  const Image src = NoiseImage(4096, 4096);
  const std::uint32_t full = 4096 * 20;
  Image view = Blank(300, 200);
  for (bool lanczos : {true, false}) {
    ormel::ScaleRegion(src.view(), full, full, {40000, 61000, 300, 200}, view.mutableView(),
                       lanczos);
    // Spot check against a second, shifted region that overlaps it.
    Image shifted = Blank(10, 10);
    ormel::ScaleRegion(src.view(), full, full, {40100, 61050, 10, 10}, shifted.mutableView(),
                       lanczos);
    for (std::uint32_t y = 0; y < 10; ++y)
      for (std::uint32_t x = 0; x < 10; ++x)
        for (int c = 0; c < 4; ++c)
          ASSERT_EQ(shifted.px[(y * 10 + x) * 4 + c], view.px[((y + 50) * 300 + x + 100) * 4 + c]);
  }
}

}  // namespace
