// Octree colour quantization, cached nearest-colour lookup and error diffusion to a palette.
// Blue, green and red only: alpha is never read or changed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "image_view.hpp"

namespace ormel {

// 256 entries of blue, green, red, reserved.
using Palette = std::array<std::uint8_t, 1024>;

// Builds a palette of at most `limit` colours. Nodes merge by depth and creation order only
// (deepest level first, most recently created node first), so the palette depends on the
// order in which pixels arrive.
class TColorQuantizer {
 public:
  // Throws std::invalid_argument for a limit outside 1..256 (a palette has 256 entries) or a
  // depth outside 1..8 (one tree level per colour bit).
  TColorQuantizer(int limit, int depth);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;

  // Adds every pixel, bottom row first, reducing after each pixel.
  void ScanBitmap(ImageView image);
  // Writes one entry per leaf from index 0, in tree order; the rest is left as it was.
  void FillPalette(Palette& palette) const;
  int Leaves() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class TColorLookup {
 public:
  // lastIndex is the highest entry that counts; it is held to 0..255.
  TColorLookup(const Palette& palette, int lastIndex);
  // The palette index chosen for the colour; out arguments get that entry's colour. The first
  // colour looked up in a cell of 5 bits per channel decides the answer for the whole cell.
  std::uint32_t Nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                        std::uint8_t& outG, std::uint8_t& outB);
  std::uint32_t Nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b);

 private:
  Palette palette_{};
  int lastIndex_ = 0;
  std::vector<std::int16_t> cache_;
};

// One channel of a neighbour after receiving k/d of an error: old + k * error / d, truncated
// toward zero, then clamped to 0..255.
std::uint8_t DiffusedValue(int old, int error, int k, int d);

// Rewrites the image in place with palette colours, spreading the error (two passes).
void DiffuseToPalette(MutableImageView image, TColorLookup& lookup);

}  // namespace ormel
