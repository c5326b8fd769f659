// Decoded texture pixels into a QImage of the same size (Format_ARGB32, or Format_RGB32 with
// the alpha bytes forced opaque). QImage's 32-bit formats hold blue, green, red, alpha in memory
// on little-endian machines, the library's own order; only the row stride may differ.
#pragma once

#include <QImage>

#include <cstring>

#include "blp_texture.hpp"

namespace ondrel::texture {

inline void CopyPixels(const Pixels& pixels, QImage& image) {
  const bool opaque = image.format() == QImage::Format_RGB32;
  const std::size_t row = std::size_t{pixels.size.width} * 4;
  for (int y = 0; y < image.height(); ++y) {
    std::uint8_t* line = image.scanLine(y);
    std::memcpy(line, pixels.bgra.data() + row * std::size_t(y), row);
    if (opaque)
      for (std::size_t x = 3; x < row; x += 4) line[x] = 0xFF;
  }
}

}  // namespace ondrel::texture
