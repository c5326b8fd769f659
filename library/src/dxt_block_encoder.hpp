// The DXT block encoder: 16 pixels in, one 8-byte colour block or alpha block out. Knows
// nothing of images; the caller gathers (and pads) the block.
#pragma once

#include <cstdint>

#include "dxt_tables.hpp"

namespace ormel::dxt {

// One block's pixels as planes, pixel p = 4 * row + column.
struct PixelBlock {
  std::uint8_t b[16];
  std::uint8_t g[16];
  std::uint8_t r[16];
  std::uint8_t a[16];
};

// Writes c0, c1 (always c0 >= c1, four-colour order) and the index word.
void EncodeColorBlock(const EncoderTables& tables, const PixelBlock& block, bool dithering,
                      std::uint8_t* out);

// Writes a0 = largest alpha, a1 = smallest alpha and the 48-bit index field.
void EncodeAlphaBlock(const PixelBlock& block, std::uint8_t* out);

}  // namespace ormel::dxt
