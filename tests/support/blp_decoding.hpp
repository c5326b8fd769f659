// Runs the BLP decoder the way the program does: a buffer of the level-0 size, filled with a
// sentinel so untouched bytes show.
#pragma once

#include <cstdint>
#include <vector>

#include "blp.hpp"
#include "blp_files.hpp"

namespace ondrel_test {

inline constexpr std::uint8_t kSentinel = 0xEE;

struct Decoded {
  bool decoded = false;
  std::uint16_t width = 0xBEEF, height = 0xBEEF;
  ByteVector pixels;
  // The first n pixels' bytes, for comparing a level of n pixels.
  ByteVector Head(std::size_t n) const {
    return ByteVector(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(n * 4));
  }
  bool UntouchedFrom(std::size_t pixel) const {
    for (std::size_t i = pixel * 4; i < pixels.size(); ++i)
      if (pixels[i] != kSentinel) return false;
    return true;
  }
};

inline Decoded DecodeBlp(const ByteVector& file, unsigned mipmap, std::size_t capacity) {
  Decoded d;
  d.pixels.assign(capacity, kSentinel);
  d.decoded = ormel::blp::Decode(file, mipmap, d.pixels, d.width, d.height);
  return d;
}

inline Decoded DecodeBlp(const ByteVector& file, unsigned mipmap) {
  const std::uint64_t w = ormel::LoadU32LE(file.data() + 12);
  const std::uint64_t h = ormel::LoadU32LE(file.data() + 16);
  return DecodeBlp(file, mipmap, static_cast<std::size_t>(w * h * 4));
}

}  // namespace ondrel_test
