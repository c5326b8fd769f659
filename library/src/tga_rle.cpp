#include "tga_rle.hpp"

#include <cstring>

namespace ormel::tga {

namespace {

bool Same(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

}  // namespace

std::size_t EncodeRleStream(const std::uint8_t* pixels, std::size_t count, std::size_t pixelSize,
                            std::uint8_t* out) {
  const auto at = [&](std::size_t i) { return pixels + i * pixelSize; };
  std::size_t written = 0;
  std::size_t k = 0;
  while (k < count) {
    // Raw pixels: each differs from its successor; the last pixel of the stream counts.
    std::size_t diff = 0;
    while (diff < kMaxPacketPixels && k + diff < count &&
           (k + diff + 1 == count || !Same(at(k + diff), at(k + diff + 1), pixelSize)))
      ++diff;
    if (diff > 0) {
      out[written++] = static_cast<std::uint8_t>(diff - 1);
      std::memcpy(out + written, at(k), diff * pixelSize);
      written += diff * pixelSize;
      k += diff;
      continue;
    }
    // Pixel k equals its successor: a run of at least two.
    std::size_t same = 1;
    while (same < kMaxPacketPixels && k + same < count && Same(at(k), at(k + same), pixelSize))
      ++same;
    out[written++] = static_cast<std::uint8_t>(0x80 + same - 1);
    std::memcpy(out + written, at(k), pixelSize);
    written += pixelSize;
    k += same;
  }
  return written;
}

}  // namespace ormel::tga
