// Lanczos-3 resampling and nearest-neighbour stretching of 32-bit images. Compiled into the
// library (mipmaps) and into the program (zoom), so both scale identically.
#pragma once

#include <cstdint>

#include "image_view.hpp"

namespace ormel {

// Fills the whole destination from the whole source.
void ScaleBitmap(ImageView source, MutableImageView destination, bool useLanczos);

struct Rect {
  std::uint32_t x = 0, y = 0, width = 0, height = 0;
};

// Computes `region` of the result of scaling `source` to fullWidth x fullHeight, pixel for
// pixel equal to that rectangle of ScaleBitmap's output, into `destination`
// (region.width x region.height), in time and memory proportional to the region.
void ScaleRegion(ImageView source, std::uint32_t fullWidth, std::uint32_t fullHeight,
                 Rect region, MutableImageView destination, bool useLanczos);

}  // namespace ormel
