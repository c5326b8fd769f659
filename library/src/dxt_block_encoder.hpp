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

// The colour block with dithering, given the block's DitherForFit copy (made beforehand, for
// instance for several blocks at once): the same bytes as EncodeColorBlock with dithering.
void EncodeDitheredColorBlock(const EncoderTables& tables, const PixelBlock& block,
                              const PixelBlock& dithered, std::uint8_t* out);

// Floyd-Steinberg inside the block on blue, green and red, quantizing to the 5- or 6-bit
// levels, so the endpoint fit sees the levels the dithered indices will reach. Alpha is not
// touched.
void DitherForFit(const EncoderTables& tables, const PixelBlock& block, PixelBlock& dithered);

// Writes a0 = largest alpha, a1 = smallest alpha and the 48-bit index field.
void EncodeAlphaBlock(const PixelBlock& block, std::uint8_t* out);

}  // namespace ormel::dxt
