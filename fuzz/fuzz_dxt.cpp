// The three DXT decoders over arbitrary block bytes. Input: format selector, width and
// height (bounded), a shortfall of the pixel buffer, then the block bytes.
// Dictionary: dxt_blocks
#include <algorithm>
#include <cstdint>

#include "dxt.hpp"
#include "fuzz_buffer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kPrefix = 6;
  if (size < kPrefix) return 0;
  const auto format = static_cast<ormel::dxt::Format>(data[0] % 3);
  // Up to 511 x 511 pixels keeps each run small while covering every edge-block shape.
  const std::uint32_t width = ormel::LoadU16LE(data + 1) & 0x1FF;
  const std::uint32_t height = ormel::LoadU16LE(data + 3) & 0x1FF;
  const std::size_t full = std::size_t{width} * height * 4;
  const std::size_t shortfall = data[5] & 0x80 ? std::min<std::size_t>(data[5] & 0x7F, full) : 0;
  const auto pixels = fuzz::OutputBuffer(full - shortfall);
  ormel::dxt::DecodeImage(format, ormel::ConstBytes(data + kPrefix, size - kPrefix), pixels,
                          width, height);
  return 0;
}
