// The DXT encoder over arbitrary pixels, then its blocks back through the decoder. Input: flags
// (bytes per pixel, alpha block, dithering), width and height (bounded), then the pixels.
#include <cstdint>
#include <vector>

#include "dxt.hpp"
#include "ormel_errors.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kPrefix = 3;
  if (size < kPrefix) return 0;
  const int bytesPerPixel = data[0] & 1 ? 4 : 3;
  const bool alphaBlock = data[0] & 2, dithering = data[0] & 4;
  const std::uint32_t width = 1 + data[1] % 64, height = 1 + data[2] % 64;
  const ormel::ConstBytes pixels(data + kPrefix, size - kPrefix);
  const auto format = alphaBlock ? ormel::dxt::Format::Dxt5 : ormel::dxt::Format::Dxt1;
  std::vector<std::uint8_t> blocks(ormel::dxt::LevelBytes(format, width, height));
  try {
    ormel::dxt::EncodeDxtImage(pixels, width, height, bytesPerPixel, alphaBlock, dithering, blocks);
  } catch (const ormel::InvalidData&) {
    return 0;  // fewer pixels than the level
  }
  std::vector<std::uint8_t> decoded(std::size_t{width} * height * 4);
  ormel::dxt::DecodeImage(format, blocks, decoded, width, height);
  return 0;
}
