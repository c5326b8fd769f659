// BLP files from other projects, used in place: every level of every file loads or is
// refused with an ormel::Error, and the files with a trustworthy reference PNG match it.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "blp_decoding.hpp"

namespace {

using namespace ondrel_test;
namespace fs = std::filesystem;

const fs::path kPeer = ONDREL_PEER_BLP;

std::optional<ByteVector> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return ByteVector((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Png {
  std::uint32_t width = 0, height = 0;
  ByteVector bgra;
};

// Any PNG as blue, green, red, alpha rows (libpng's simplified reader).
std::optional<Png> ReadPng(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  image.format = PNG_FORMAT_BGRA;
  Png png{image.width, image.height, ByteVector(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, png.bgra.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return png;
}

// The buffer the program would allocate (level 0 at 4 bytes a pixel); headers asking for
// more than 64 MiB (the fuzz cases) get a small one, which bounds every write just as well.
constexpr std::uint64_t kMaxBuffer = 64ull << 20;

std::size_t BufferFor(const ByteVector& file) {
  const std::uint64_t w = ormel::LoadU32LE(file.data() + 12);
  const std::uint64_t h = ormel::LoadU32LE(file.data() + 16);
  return static_cast<std::size_t>(w * h * 4 <= kMaxBuffer ? w * h * 4 : 64);
}

std::vector<std::string> PeerFiles() {
  std::vector<std::string> names;
  std::error_code ec;
  if (!fs::is_directory(kPeer, ec)) return names;
  for (const auto& e : fs::recursive_directory_iterator(kPeer))
    if (e.path().extension() == ".blp") names.push_back(fs::relative(e.path(), kPeer).string());
  std::sort(names.begin(), names.end());
  return names;
}

// Which levels a file has: table entries with an offset and a size.
std::vector<int> LevelsOf(const ByteVector& file) {
  const bool blp1 = file[3] == '1';
  const std::size_t offsets = blp1 ? 28 : 20;
  std::vector<int> levels;
  for (int k = 0; k < 16; ++k) {
    if (ormel::LoadU32LE(file.data() + offsets + 4 * k) != 0 &&
        ormel::LoadU32LE(file.data() + offsets + 64 + 4 * k) != 0)
      levels.push_back(k);
  }
  return levels;
}

// The fuzz cases (sides beyond 65535) and the malformed JPEG file are refused; every other
// file decodes at every level it has.
bool ExpectRefused(const std::string& name) {
  return name.find("timeout-") != std::string::npos || name.find("blp1_jpeg2") != std::string::npos;
}

TEST(BlpPeer, EveryLevelLoadsOrIsRefused) {
  const auto names = PeerFiles();
  if (names.empty()) GTEST_SKIP() << "no peer files at " << kPeer;
  for (const auto& name : names) {
    const ByteVector file = *ReadFile(kPeer / name);
    TBLPHeader header{};
    ASSERT_TRUE(ormel::blp::GetHeader(file, header)) << name;
    std::string outcome;
    std::vector<int> levels = LevelsOf(file);
    if (levels.empty() || levels.front() != 0) levels.insert(levels.begin(), 0);
    for (int k : levels) {
      Decoded d;
      d.pixels.assign(BufferFor(file), kSentinel);
      try {
        d.decoded = ormel::blp::Decode(file, k, d.pixels, d.width, d.height);
        EXPECT_TRUE(d.decoded) << name << " level " << k;
        EXPECT_FALSE(ExpectRefused(name)) << name << " level " << k;
        outcome += " " + std::to_string(k) + (d.decoded ? ":" : ":nothing ") +
                   std::to_string(d.width) + "x" + std::to_string(d.height);
      } catch (const ormel::Error& e) {
        EXPECT_TRUE(ExpectRefused(name)) << name << " level " << k << ": " << e.what();
        outcome += " " + std::to_string(k) + ":refused (" + e.what() + ")";
      }
    }
    std::printf("%-60s%s\n", name.c_str(), outcome.c_str());
  }
}

// The largest difference per channel allowed; kIgnore for an alpha the reference cannot tell
// (a reference without alpha, or one whose alpha is known to be wrong).
constexpr int kIgnore = -1;

struct Reference {
  const char* blp;
  const char* png;
  int color;
  int alpha;
};

class BlpPeerReference : public testing::TestWithParam<Reference> {};

// Tolerances, measured on these files:
// - paletted and BGRA content: exact;
// - DXT colour against Pillow's references: 7 (measured 3 and 6), they come from Pillow's BLP
//   reader, which widens endpoints by shifting (31 -> 248) where the format replicates bits;
// - DXT colour against the Pinta365 references: 1, and 2 for DXT3 (measured), that writer
//   widens and interpolates with its own rounding. Pillow's and ImageMagick's DDS readers, given
//   the same blocks, agree with ours exactly (tests/interop/check_peer_dxt.py);
//   DXT5 alpha: 1, the references round interpolated alpha differently;
// - Pillow's JPEG reference: exact (the same libjpeg integer DCT; the level is opaque);
// - the image-blp JPEG files against the sources they were made from: 12 and 4 (alpha) for
//   simple_jpg, 29 for rect_without_alpha (a 2 x 3 picture at the writer's quality).
TEST_P(BlpPeerReference, MatchesThePng) {
  const auto& r = GetParam();
  const auto file = ReadFile(kPeer / r.blp);
  const auto png = ReadPng(kPeer / r.png);
  if (!file || !png) GTEST_SKIP() << "peer file missing: " << r.blp;
  const Decoded d = DecodeBlp(*file, 0, BufferFor(*file));
  ASSERT_TRUE(d.decoded);
  ASSERT_EQ(d.width, png->width);
  ASSERT_EQ(d.height, png->height);
  const std::size_t n = std::size_t{png->width} * png->height;
  int worstColor = 0, worstAlpha = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (int c = 0; c < 3; ++c)
      worstColor = std::max(worstColor, std::abs(int{d.pixels[4 * i + c]} - png->bgra[4 * i + c]));
    worstAlpha = std::max(worstAlpha, std::abs(int{d.pixels[4 * i + 3]} - png->bgra[4 * i + 3]));
  }
  EXPECT_LE(worstColor, r.color);
  if (r.alpha != kIgnore) {
    EXPECT_LE(worstAlpha, r.alpha);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BlpPeerReference,
    testing::Values(
        Reference{"Pillow/blp1_jpeg.blp", "Pillow/blp1_jpeg.png", 0, kIgnore},
        Reference{"Pillow/blp2_dxt1.blp", "Pillow/blp2_dxt1.png", 7, kIgnore},
        Reference{"Pillow/blp2_dxt1a.blp", "Pillow/blp2_dxt1a.png", 7, 0},
        Reference{"Pillow/blp2_raw.blp", "Pillow/blp2_raw.png", 0, kIgnore},
        Reference{"Pinta365-blp/1024x64_DXT5.blp", "Pinta365-blp/1024x64_DXT5.png", 1, kIgnore},
        Reference{"Pinta365-blp/256x256_DTX1.blp", "Pinta365-blp/256x256_DTX1.png", 1, 0},
        Reference{"Pinta365-blp/512x256_BGRA.blp", "Pinta365-blp/512x256_BGRA.png", 0, 0},
        Reference{"Pinta365-blp/512x64_palette.blp", "Pinta365-blp/512x64_palette.png", 0, 0},
        Reference{"Pinta365-blp/64x64_DXT1.blp", "Pinta365-blp/64x64_DXT1.png", 1, 0},
        Reference{"Pinta365-blp/64x64_DXT3.blp", "Pinta365-blp/64x64_DXT3.png", 2, 0},
        Reference{"Pinta365-blp/64x64_palette.blp", "Pinta365-blp/64x64_palette.png", 0, 0},
        Reference{"Pinta365-blp/cloud_wispy_mod.blp", "Pinta365-blp/cloud_wispy_mod.png", 0, 1},
        Reference{"Pinta365-blp/facialupperhair05_01_hd.blp",
                  "Pinta365-blp/facialupperhair05_01_hd.png", 0, 0},
        Reference{"image-blp/simple_with_alpha.blp", "image-blp/test_image_source.png", 0, 0},
        Reference{"image-blp/rect_with_alpha.blp", "image-blp/test_image_source_rect.png", 0, 0},
        Reference{"image-blp/simple_without_alpha.blp", "image-blp/test_image_source.png", 0,
                  kIgnore},
        Reference{"image-blp/simple_jpg.blp", "image-blp/test_image_source.png", 12, 4},
        Reference{"image-blp/rect_without_alpha.blp",
                  "image-blp/test_image_source_rect_no_alpha.png", 29, kIgnore}),
    [](const auto& info) {
      std::string name = fs::path(info.param.blp).stem().string();
      for (auto& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// A 1-bit plane: every alpha is 0 or 255, and the sprite has both.
TEST(BlpPeer, OneBitAlphaPlane) {
  const auto file = ReadFile(kPeer / "Pinta365-blp/raw1_1bit.blp");
  if (!file) GTEST_SKIP() << "peer file missing";
  for (int k : LevelsOf(*file)) {
    const Decoded d = DecodeBlp(*file, k);
    ASSERT_TRUE(d.decoded);
    const std::size_t n = std::size_t{d.width} * d.height;
    int opaque = 0, clear = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const auto a = d.pixels[4 * i + 3];
      ASSERT_TRUE(a == 0 || a == 255) << "level " << k << " pixel " << i;
      (a ? opaque : clear)++;
    }
    if (k == 0) {
      EXPECT_GT(opaque, 0);
      EXPECT_GT(clear, 0);
    }
  }
}

}  // namespace
