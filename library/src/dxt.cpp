// DXT block decoding.
// Reads: DXT1 (with its three-colour mode and transparent black), DXT3 (4-bit alpha) and
// DXT5 (interpolated alpha) blocks, into packed 32-bit blue-green-red-alpha pixels.
// Does not support: BC4 to BC7, or any container; callers hand over the block bytes of a level.
#include <algorithm>
#include <cstring>

#include "dxt.hpp"

namespace ormel::dxt {
namespace {

// 16 pixels of 4 bytes, row by row: one decoded block before it is clipped into the image.
using Tile = std::uint8_t[64];
using Colors = std::uint8_t[4][4];

inline void SetColor(std::uint8_t* c, unsigned b, unsigned g, unsigned r, unsigned a) {
  c[0] = static_cast<std::uint8_t>(b);
  c[1] = static_cast<std::uint8_t>(g);
  c[2] = static_cast<std::uint8_t>(r);
  c[3] = static_cast<std::uint8_t>(a);
}

// Endpoints are widened by shifting alone (the low bits stay zero), unlike the encoder's
// bit-replicating tables: 0xFFFF decodes to 248, 252, 248. Files in the wild were made by
// writers that expect exactly this.
void BlockColors(std::uint16_t c0, std::uint16_t c1, bool threeColorAllowed, Colors& out) {
  const unsigned b0 = (c0 & 31u) << 3, g0 = ((c0 >> 5) & 63u) << 2, r0 = (c0 >> 11) << 3;
  const unsigned b1 = (c1 & 31u) << 3, g1 = ((c1 >> 5) & 63u) << 2, r1 = (c1 >> 11) << 3;
  SetColor(out[0], b0, g0, r0, 255);
  SetColor(out[1], b1, g1, r1, 255);
  if (threeColorAllowed && c0 <= c1) {
    SetColor(out[2], (b0 + b1) / 2, (g0 + g1) / 2, (r0 + r1) / 2, 255);
    SetColor(out[3], 0, 0, 0, 0);
  } else {
    SetColor(out[2], (2 * b0 + b1) / 3, (2 * g0 + g1) / 3, (2 * r0 + r1) / 3, 255);
    SetColor(out[3], (b0 + 2 * b1) / 3, (g0 + 2 * g1) / 3, (r0 + 2 * r1) / 3, 255);
  }
}

// An 8-byte colour block; all four bytes of each pixel, alpha included.
void DecodeColorBlock(const std::uint8_t* block, bool threeColorAllowed, Tile& tile) {
  Colors colors;
  BlockColors(LoadU16LE(block), LoadU16LE(block + 2), threeColorAllowed, colors);
  const std::uint32_t indices = LoadU32LE(block + 4);
  for (int p = 0; p < 16; ++p) std::memcpy(tile + 4 * p, colors[(indices >> (2 * p)) & 3u], 4);
}

void DecodeDxt1Block(const std::uint8_t* block, Tile& tile) {
  DecodeColorBlock(block, true, tile);
}

void DecodeDxt3Block(const std::uint8_t* block, Tile& tile) {
  DecodeColorBlock(block + 8, false, tile);
  for (int row = 0; row < 4; ++row) {
    const unsigned word = LoadU16LE(block + 2 * row);
    for (int x = 0; x < 4; ++x) tile[4 * (4 * row + x) + 3] = ((word >> (4 * x)) & 15u) * 17;
  }
}

void DecodeDxt5Block(const std::uint8_t* block, Tile& tile) {
  DecodeColorBlock(block + 8, false, tile);
  const unsigned a0 = block[0], a1 = block[1];
  std::uint8_t alpha[8] = {static_cast<std::uint8_t>(a0), static_cast<std::uint8_t>(a1)};
  if (a0 > a1) {
    for (unsigned i = 2; i < 8; ++i) alpha[i] = ((8 - i) * a0 + (i - 1) * a1 + 3) / 7;
  } else {
    for (unsigned i = 2; i < 6; ++i) alpha[i] = ((6 - i) * a0 + (i - 1) * a1 + 2) / 5;
    alpha[6] = 0;
    alpha[7] = 255;
  }
  std::uint64_t bits = 0;
  for (int i = 5; i >= 0; --i) bits = (bits << 8) | block[2 + i];
  for (int p = 0; p < 16; ++p) tile[4 * p + 3] = alpha[(bits >> (3 * p)) & 7u];
}

// Walks the blocks of a level in row-major order, decoding each whole block that lies inside
// `blocks` and copying the part of it that lies inside both the image and `pixels`.
template <void (*DecodeBlock)(const std::uint8_t*, Tile&)>
void DecodeLevel(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height,
                 std::size_t blockBytes) {
  if (width == 0 || height == 0) return;
  const std::uint64_t blocksPerRow = (std::uint64_t{width} + 3) / 4;
  const std::uint64_t blockRows = (std::uint64_t{height} + 3) / 4;
  const std::uint64_t present = blocks.size() / blockBytes;
  const std::uint64_t rowBytes = std::uint64_t{width} * 4;
  const std::uint64_t pixelBytes = pixels.size();
  const std::uint8_t* src = blocks.data();
  std::uint64_t decoded = 0;
  Tile tile;
  for (std::uint64_t by = 0; by < blockRows; ++by) {
    const std::uint64_t rows = std::min<std::uint64_t>(4, height - 4 * by);
    const std::uint64_t top = 4 * by * rowBytes;
    if (top >= pixelBytes) return;
    for (std::uint64_t bx = 0; bx < blocksPerRow; ++bx, ++decoded, src += blockBytes) {
      if (decoded == present) return;
      DecodeBlock(src, tile);
      const std::uint64_t rowPart = std::min<std::uint64_t>(4, width - 4 * bx) * 4;
      std::uint64_t offset = top + 16 * bx;
      for (std::uint64_t y = 0; y < rows && offset < pixelBytes; ++y, offset += rowBytes) {
        std::uint8_t* dst = pixels.data() + offset;
        if (rowPart == 16 && pixelBytes - offset >= 16)
          std::memcpy(dst, tile + 16 * y, 16);
        else
          std::memcpy(dst, tile + 16 * y, std::min(rowPart, pixelBytes - offset));
      }
    }
  }
}

}  // namespace

void DecodeDxt1Image(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height) {
  DecodeLevel<DecodeDxt1Block>(blocks, pixels, width, height, 8);
}

void DecodeDxt3Image(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height) {
  DecodeLevel<DecodeDxt3Block>(blocks, pixels, width, height, 16);
}

void DecodeDxt5Image(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height) {
  DecodeLevel<DecodeDxt5Block>(blocks, pixels, width, height, 16);
}

void DecodeImage(Format format, ConstBytes blocks, Bytes pixels, std::uint32_t width,
                 std::uint32_t height) {
  switch (format) {
    case Format::Dxt1: return DecodeDxt1Image(blocks, pixels, width, height);
    case Format::Dxt3: return DecodeDxt3Image(blocks, pixels, width, height);
    case Format::Dxt5: return DecodeDxt5Image(blocks, pixels, width, height);
  }
}

}  // namespace ormel::dxt
