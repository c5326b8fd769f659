#include "ImgUtils.hpp"

#include <algorithm>
#include <vector>

namespace ondrel {
namespace {

// Whether the alpha values make the image count as having alpha: some row is not uniform,
// or a uniform value is fully transparent or opaque.
bool AlphaIsMeaningful(const TBitmap& bitmap) {
  bool extreme = false;
  for (int y = 0; y < bitmap.height(); ++y) {
    const std::uint8_t* row = bitmap.scanLine(y);
    const std::uint8_t reference = row[3];
    for (int x = 0; x < bitmap.width(); ++x) {
      const std::uint8_t a = row[4 * x + 3];
      if (a != reference) return true;
      if (a == 0 || a == 255) extreme = true;
    }
  }
  return extreme;
}

}  // namespace

bool ApplyAlphaTreatment(TBitmap& bitmap, std::uint8_t treatment, bool imageHasAlpha) {
  const bool is32 = bitmap.pixelFormat() == PixelFormat::Bit32;
  switch (treatment) {
    case 0:
      return is32;
    case 1:
      bitmap.setPixelFormat(PixelFormat::Bit32);
      for (int y = 0; y < bitmap.height(); ++y) {
        std::uint8_t* row = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x) row[4 * x + 3] = 255;
      }
      return true;
    case 2:
      bitmap.setPixelFormat(PixelFormat::Bit24);
      return false;
    case 3:
      return is32 && AlphaIsMeaningful(bitmap);
    case 4: {
      bitmap.setPixelFormat(PixelFormat::Bit32);
      const int w = bitmap.width(), h = bitmap.height();
      for (int y = 0; y < h; ++y) {
        std::uint8_t* row = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x) {
          if (y == 0 || y == h - 1 || x == 0 || x == w - 1)
            row[4 * x + 3] = 0;
          else if (!is32)
            row[4 * x + 3] = 255;
        }
      }
      return true;
    }
    default:
      return imageHasAlpha;
  }
}

std::uint32_t CountColors(const TBitmap& bitmap) {
  // One bit per (red, green, blue) triple: 2 MiB, and a constant cost per pixel.
  std::vector<std::uint64_t> seen((1u << 24) / 64);
  const int bpp = bitmap.bytesPerPixel();
  std::uint32_t count = 0;
  for (int y = 0; y < bitmap.height(); ++y) {
    const std::uint8_t* p = bitmap.scanLine(y);
    for (int x = 0; x < bitmap.width(); ++x, p += bpp) {
      const std::uint32_t key = (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
      std::uint64_t& word = seen[key >> 6];
      const std::uint64_t bit = std::uint64_t{1} << (key & 63);
      if ((word & bit) == 0) {
        word |= bit;
        ++count;
      }
    }
  }
  return count;
}

void ShowAlphaAsGrey(TBitmap& bitmap) {
  if (bitmap.pixelFormat() != PixelFormat::Bit32) return;
  for (int y = 0; y < bitmap.height(); ++y) {
    std::uint8_t* p = bitmap.scanLine(y);
    for (int x = 0; x < bitmap.width(); ++x, p += 4) p[0] = p[1] = p[2] = p[3];
  }
}

void CompositeOnChecker(TBitmap& bitmap) {
  if (bitmap.pixelFormat() != PixelFormat::Bit32) return;
  for (int y = 0; y < bitmap.height(); ++y) {
    std::uint8_t* p = bitmap.scanLine(y);
    for (int x = 0; x < bitmap.width(); ++x, p += 4) {
      const unsigned background = (((x / 8) + (y / 8)) % 2 == 0) ? 192 : 255;
      const unsigned a = p[3];
      for (int c = 0; c < 3; ++c) p[c] = std::uint8_t((background * (255 - a) + p[c] * a) / 255);
      p[3] = 255;
    }
  }
}

}  // namespace ondrel
