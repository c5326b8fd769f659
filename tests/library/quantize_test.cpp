// Octree palette, cached lookup and error diffusion: orders and rounding that change bytes.
#include "quantize.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "synthetic.hpp"

namespace {

using ormel::Palette;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// Position of a colour in the depth-first walk of the octree: red, green, blue bit of each
// level, most significant level first.
std::uint32_t TreeKey(const Rgb& c) {
  std::uint32_t key = 0;
  for (int level = 0; level < 8; ++level) {
    const int s = 7 - level;
    key = (key << 3) | (((c.r >> s) & 1) << 2) | (((c.g >> s) & 1) << 1) | ((c.b >> s) & 1);
  }
  return key;
}

// One row, left to right, 4 bytes per pixel (alpha 77, which nothing may read).
std::vector<std::uint8_t> RowOf(const std::vector<Rgb>& colours) {
  std::vector<std::uint8_t> px;
  for (const Rgb& c : colours) {
    px.insert(px.end(), {std::uint8_t(c.b), std::uint8_t(c.g), std::uint8_t(c.r), 77});
  }
  return px;
}

ormel::ImageView View(const std::vector<std::uint8_t>& px, std::uint32_t w, std::uint32_t h) {
  return {px.data(), w, h, std::size_t{w} * 4};
}

ormel::MutableImageView MutableView(std::vector<std::uint8_t>& px, std::uint32_t w,
                                    std::uint32_t h) {
  return {px.data(), w, h, std::size_t{w} * 4};
}

Rgb Entry(const Palette& palette, int i) {
  return {palette[i * 4 + 2], palette[i * 4 + 1], palette[i * 4 + 0]};
}

Palette Quantize(const std::vector<std::uint8_t>& px, std::uint32_t w, std::uint32_t h,
                 int limit, int* leaves = nullptr) {
  ormel::TColorQuantizer quantizer(limit, 8);
  quantizer.ScanBitmap(View(px, w, h));
  Palette palette{};
  quantizer.FillPalette(palette);
  if (leaves) *leaves = quantizer.Leaves();
  return palette;
}

Palette PaletteOf(const std::vector<Rgb>& colours) {
  Palette palette{};
  for (std::size_t i = 0; i < colours.size(); ++i) {
    palette[i * 4 + 0] = std::uint8_t(colours[i].b);
    palette[i * 4 + 1] = std::uint8_t(colours[i].g);
    palette[i * 4 + 2] = std::uint8_t(colours[i].r);
  }
  return palette;
}

void ExpectPalette(const Palette& palette, std::vector<Rgb> expected) {
  std::sort(expected.begin(), expected.end(),
            [](const Rgb& a, const Rgb& b) { return TreeKey(a) < TreeKey(b); });
  for (std::size_t i = 0; i < 256; ++i) {
    const Rgb want = i < expected.size() ? expected[i] : Rgb{0, 0, 0};
    ASSERT_EQ(Entry(palette, int(i)), want) << "entry " << i;
    ASSERT_EQ(palette[i * 4 + 3], 0) << "entry " << i;
  }
}

TEST(ColorQuantizer, RejectsLimitsAndDepthsOutsideTheirRange) {
  EXPECT_THROW(ormel::TColorQuantizer(0, 8), std::invalid_argument);
  EXPECT_THROW(ormel::TColorQuantizer(-3, 8), std::invalid_argument);
  EXPECT_THROW(ormel::TColorQuantizer(257, 8), std::invalid_argument);
  EXPECT_THROW(ormel::TColorQuantizer(16, 0), std::invalid_argument);
  EXPECT_THROW(ormel::TColorQuantizer(16, 9), std::invalid_argument);
  EXPECT_NO_THROW(ormel::TColorQuantizer(1, 8));
}

TEST(ColorQuantizer, FewColoursComeBackExactlyInTreeOrderBlackFirst) {
  const std::vector<Rgb> colours = {{200, 10, 30}, {0, 0, 0},     {255, 255, 255},
                                    {1, 0, 0},     {128, 64, 32}, {0, 0, 1},
                                    {37, 250, 99}, {200, 10, 31}};
  // Each colour several times, in a 2-row image, so counts do not disturb the values.
  std::vector<Rgb> pixels;
  for (int repeat = 0; repeat < 3; ++repeat) pixels.insert(pixels.end(), colours.begin(), colours.end());
  const auto px = RowOf(pixels);
  int leaves = 0;
  const Palette palette = Quantize(px, 12, 2, 8, &leaves);
  EXPECT_EQ(leaves, 8);
  EXPECT_EQ(Entry(palette, 0), (Rgb{0, 0, 0}));
  ExpectPalette(palette, colours);
}

TEST(ColorQuantizer, TheLeafThatOverflowsMergesTheNewestDeepestNode) {
  // 128 pairs that share a depth-7 node each, then one colour of a new depth-7 node. Its node
  // is the newest: merging it gains nothing (one child), so the next newest, the pair
  // (254, 255), merges. A merge by pixel count or by oldest node would pick another pair.
  std::vector<Rgb> pixels;
  for (int red = 0; red < 256; ++red) pixels.push_back({red, 0, 0});
  pixels.push_back({0, 2, 0});
  ASSERT_EQ(pixels.size(), 257u);
  const auto px = RowOf(pixels);
  int leaves = 0;
  const Palette palette = Quantize(px, 257, 1, 256, &leaves);
  EXPECT_EQ(leaves, 256);
  std::vector<Rgb> expected;
  for (int red = 0; red < 254; ++red) expected.push_back({red, 0, 0});
  expected.push_back({254, 0, 0});  // (254 + 255) div 2
  expected.push_back({0, 2, 0});
  ExpectPalette(palette, expected);
}

TEST(ColorQuantizer, LimitOneGivesTheTruncatedAverage) {
  const auto px = ondrel_test::Noise(31, 17, 4);
  std::int64_t sum[3] = {0, 0, 0};
  for (std::size_t i = 0; i < px.size(); i += 4)
    for (int c = 0; c < 3; ++c) sum[c] += px[i + c];
  const std::int64_t n = 31 * 17;
  int leaves = 0;
  const Palette palette = Quantize(px, 31, 17, 1, &leaves);
  EXPECT_EQ(leaves, 1);
  EXPECT_EQ(Entry(palette, 0), (Rgb{int(sum[2] / n), int(sum[1] / n), int(sum[0] / n)}));
  EXPECT_EQ(Entry(palette, 1), (Rgb{0, 0, 0}));
}

TEST(ColorQuantizer, ScansTheBottomRowFirst) {
  // Limit 3, two pairs that each share a depth-7 node: the pair scanned last merges. Scanned
  // bottom row first, that is the top row's red pair.
  const auto px = RowOf({{100, 0, 0}, {101, 0, 0}, {0, 0, 200}, {0, 0, 201}});
  const Palette palette = Quantize(px, 2, 2, 3);
  ExpectPalette(palette, {{0, 0, 200}, {0, 0, 201}, {100, 0, 0}});
}

TEST(ColorQuantizer, LargeImagesDoNotOverflowTheSums) {
  // 16.8 million white pixels: the red sum exceeds 32 bits.
  const std::uint32_t w = 4100, h = 4100;
  std::vector<std::uint8_t> px(std::size_t{w} * h * 4, 255);
  const Palette palette = Quantize(px, w, h, 1);
  EXPECT_EQ(Entry(palette, 0), (Rgb{255, 255, 255}));
}

TEST(ColorLookup, EqualDistancesGoToTheLowerIndex) {
  ormel::TColorLookup lookup(PaletteOf({{10, 0, 0}, {0, 10, 0}}), 1);
  std::uint8_t r, g, b;
  EXPECT_EQ(lookup.Nearest(5, 5, 0, r, g, b), 0u);
  EXPECT_EQ((Rgb{r, g, b}), (Rgb{10, 0, 0}));
  ormel::TColorLookup swapped(PaletteOf({{0, 10, 0}, {10, 0, 0}}), 1);
  EXPECT_EQ(swapped.Nearest(5, 5, 0, r, g, b), 0u);
  EXPECT_EQ((Rgb{r, g, b}), (Rgb{0, 10, 0}));
  // Duplicate entries: the lower index owns the cell.
  ormel::TColorLookup duplicates(PaletteOf({{9, 9, 9}, {200, 0, 0}, {200, 0, 0}}), 2);
  EXPECT_EQ(duplicates.Nearest(200, 0, 0), 1u);
}

TEST(ColorLookup, TheFirstColourOfACellDecidesForTheCell) {
  const Palette palette = PaletteOf({{0, 0, 0}, {20, 20, 20}});
  // (8, 8, 8) and (15, 15, 15) share a cell; the first is nearer entry 0, the second entry 1.
  ormel::TColorLookup first(palette, 1);
  EXPECT_EQ(first.Nearest(8, 8, 8), 0u);
  EXPECT_EQ(first.Nearest(15, 15, 15), 0u);
  ormel::TColorLookup second(palette, 1);
  EXPECT_EQ(second.Nearest(15, 15, 15), 1u);
  EXPECT_EQ(second.Nearest(8, 8, 8), 1u);
  // Entries beyond lastIndex are not part of the palette.
  ormel::TColorLookup shorter(palette, 0);
  EXPECT_EQ(shorter.Nearest(20, 20, 20), 0u);
}

TEST(ErrorDiffusion, SharesAreTruncatedTowardZeroThenClamped) {
  EXPECT_EQ(ormel::DiffusedValue(0, -255, 7, 16), 0);   // -111.56 -> -111 -> 0
  EXPECT_EQ(ormel::DiffusedValue(0, 3, 2, 4), 1);       // 1.5 -> 1, not rounded to 2
  EXPECT_EQ(ormel::DiffusedValue(100, -3, 1, 4), 99);   // 99.25 -> 99
  EXPECT_EQ(ormel::DiffusedValue(10, -21, 7, 16), 0);   // 0.8125 -> 0
  EXPECT_EQ(ormel::DiffusedValue(250, 255, 7, 16), 255);
  EXPECT_EQ(ormel::DiffusedValue(128, 0, 5, 16), 128);
}

// The two passes written out plainly, in double precision (any precision of at least single
// gives the same shares).
void ReferenceDiffusion(std::vector<std::uint8_t>& px, int w, int h, ormel::TColorLookup& lookup) {
  struct Share {
    int dx, dy, k;
  };
  const std::vector<std::vector<Share>> passes = {{{1, 0, 2}, {0, 1, 1}, {1, 1, 1}},
                                                  {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}};
  const int divisors[2] = {4, 16};
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = &px[(std::size_t(y) * w + x) * 4];
        std::uint8_t r, g, b;
        lookup.Nearest(p[2], p[1], p[0], r, g, b);
        const int e[3] = {p[0] - b, p[1] - g, p[2] - r};
        p[0] = b, p[1] = g, p[2] = r;
        for (const Share& s : passes[pass]) {
          const int nx = x + s.dx, ny = y + s.dy;
          if (nx < 0 || nx >= w || ny >= h) continue;
          std::uint8_t* q = &px[(std::size_t(ny) * w + nx) * 4];
          for (int c = 0; c < 3; ++c) {
            const double v = std::trunc(q[c] + double(s.k) * e[c] / divisors[pass]);
            q[c] = std::uint8_t(std::clamp(v, 0.0, 255.0));
          }
        }
      }
    }
  }
}

struct DiffusionSize {
  std::uint32_t w, h;
};

class ErrorDiffusionSizes : public ::testing::TestWithParam<DiffusionSize> {};

TEST_P(ErrorDiffusionSizes, MatchesThePlainTwoPassesAndKeepsAlpha) {
  const auto [w, h] = GetParam();
  const auto original = ondrel_test::PhotoLike(w, h, 4, /*withAlpha=*/true, 11);
  const Palette palette = Quantize(original, w, h, 16);
  auto ours = original;
  auto reference = original;
  ormel::TColorLookup lookup(palette, 15);
  ormel::TColorLookup referenceLookup(palette, 15);
  ormel::DiffuseToPalette(MutableView(ours, w, h), lookup);
  ReferenceDiffusion(reference, int(w), int(h), referenceLookup);
  ASSERT_EQ(ours, reference);
  for (std::size_t i = 0; i < ours.size(); i += 4) {
    ASSERT_EQ(ours[i + 3], original[i + 3]) << "alpha of pixel " << i / 4;
    // Every pixel now holds a colour of the palette.
    const std::uint32_t index = lookup.Nearest(ours[i + 2], ours[i + 1], ours[i]);
    ASSERT_EQ(Entry(palette, int(index)), (Rgb{ours[i + 2], ours[i + 1], ours[i]}));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ErrorDiffusionSizes,
                         ::testing::Values(DiffusionSize{1, 1}, DiffusionSize{9, 1},
                                           DiffusionSize{1, 9}, DiffusionSize{2, 2},
                                           DiffusionSize{37, 23}, DiffusionSize{128, 96}));

TEST(ErrorDiffusion, OnePixelChangesOnlyItself) {
  std::vector<std::uint8_t> px = {90, 100, 110, 5};
  ormel::TColorLookup lookup(PaletteOf({{0, 0, 0}, {255, 255, 255}}), 1);
  ormel::DiffuseToPalette(MutableView(px, 1, 1), lookup);
  EXPECT_EQ(px, (std::vector<std::uint8_t>{0, 0, 0, 5}));
}

TEST(ErrorDiffusion, OneRowFeedsOnlyTheRightNeighbour) {
  // Pass 1 gives the right neighbour half the error: 100 -> 0 leaves +50 on the second pixel,
  // which reaches 130, nearer white than black; without the share it would map to black.
  auto px = RowOf({{100, 100, 100}, {80, 80, 80}});
  ormel::TColorLookup lookup(PaletteOf({{0, 0, 0}, {255, 255, 255}}), 1);
  ormel::DiffuseToPalette(MutableView(px, 2, 1), lookup);
  EXPECT_EQ(px, RowOf({{0, 0, 0}, {255, 255, 255}}));
}

}  // namespace
