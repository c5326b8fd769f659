// DDS surfaces: uncompressed 24/32-bit and DXT1/DXT3/DXT5 top levels; saves with mipmaps.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "block.hpp"
#include "bytes.hpp"

namespace ormel::dds {

// Pixel size of a save: 4 for DXT5 and for RGB with alpha pixels (0x41), else 3.
inline int PixelSize(const std::uint8_t* head) {
  const std::uint32_t flags = LoadU32LE(head + 80);
  if ((flags & 0x40) == 0 && (flags & 4) != 0)
    return LoadU32LE(head + 84) == 0x35545844u /* "DXT5" */ ? 4 : 3;
  return (flags & 0x41) == 0x41 ? 4 : 3;
}

// The pixels a save of this head reads (height at 12, width at 16).
inline std::uint64_t InputBytes(const std::uint8_t* head) {
  return std::uint64_t{LoadU32LE(head + 12)} * LoadU32LE(head + 16) * PixelSize(head);
}

// One level of a save's chain.
struct LevelSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Level 0, then each further level halved (floor 1) until `reduced` levels are made or a
// level reaches the smallest side (1 uncompressed, 4 DXT) or passes below it.
std::vector<LevelSize> LevelChain(std::uint32_t width, std::uint32_t height,
                                  std::uint32_t reduced, bool compressed);

// Decodes the top level into at most pixels.size() bytes. Returns false for a missing magic.
bool Decode(ConstBytes file, Bytes pixels, std::uint16_t& width, std::uint16_t& height);

// Writes the whole file, head included; an empty Block for a head it refuses.
Block Encode(ConstBytes pixels, std::span<std::uint8_t, 128> head);

}  // namespace ormel::dds
