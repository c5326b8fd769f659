// DXT block decoding.
// Reads: DXT1 (with its three-colour mode and transparent black), DXT3 (4-bit alpha) and
// DXT5 (interpolated alpha) blocks, into packed 32-bit blue-green-red-alpha pixels.
// Does not support: BC4 to BC7, or any container; callers hand over the block bytes of a level.
#include <algorithm>
#include <bit>
#include <cstring>

#include "dxt.hpp"
#include "dxt_tables.hpp"

namespace ormel::dxt {
namespace {

// A pixel as a 32-bit word whose bytes in memory are blue, green, red, alpha.
using Colors = std::uint32_t[4];

// Where alpha sits in such a word.
constexpr int kAlphaShift = std::endian::native == std::endian::little ? 24 : 0;
constexpr std::uint32_t kColorMask = ~(std::uint32_t{0xFF} << kAlphaShift);

inline std::uint32_t MakePixel(unsigned b, unsigned g, unsigned r, unsigned a) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                                 static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(a)};
  std::uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

inline void StorePixel(std::uint8_t* dst, std::uint32_t pixel) { std::memcpy(dst, &pixel, 4); }

// Endpoints are widened by bit replication, the colour the format defines and the encoder
// assumes (0xFFFF is white 255, 255, 255), so decoding and re-encoding does not darken.
inline void BlockColors(const std::uint8_t* block, bool threeColorAllowed, Colors& out) {
  const unsigned c0 = LoadU16LE(block), c1 = LoadU16LE(block + 2);
  const unsigned b0 = kWiden5[c0 & 31u], g0 = kWiden6[(c0 >> 5) & 63u], r0 = kWiden5[c0 >> 11];
  const unsigned b1 = kWiden5[c1 & 31u], g1 = kWiden6[(c1 >> 5) & 63u], r1 = kWiden5[c1 >> 11];
  out[0] = MakePixel(b0, g0, r0, 255);
  out[1] = MakePixel(b1, g1, r1, 255);
  if (threeColorAllowed && c0 <= c1) {
    out[2] = MakePixel((b0 + b1) / 2, (g0 + g1) / 2, (r0 + r1) / 2, 255);
    out[3] = MakePixel(0, 0, 0, 0);
  } else {
    out[2] = MakePixel((2 * b0 + b1) / 3, (2 * g0 + g1) / 3, (2 * r0 + r1) / 3, 255);
    out[3] = MakePixel((b0 + 2 * b1) / 3, (g0 + 2 * g1) / 3, (r0 + 2 * r1) / 3, 255);
  }
}

// Block kernels: one block in, 16 pixels out at `out` with `stride` bytes between rows.

// An 8-byte colour block; all four bytes of each pixel, alpha included.
void DecodeDxt1Block(const std::uint8_t* block, std::uint8_t* out, std::size_t stride) {
  Colors colors;
  BlockColors(block, true, colors);
  const std::uint32_t indices = LoadU32LE(block + 4);
  for (int y = 0; y < 4; ++y, out += stride)
    for (int x = 0; x < 4; ++x)
      StorePixel(out + 4 * x, colors[(indices >> (8 * y + 2 * x)) & 3u]);
}

void DecodeDxt3Block(const std::uint8_t* block, std::uint8_t* out, std::size_t stride) {
  Colors colors;
  BlockColors(block + 8, false, colors);
  for (auto& c : colors) c &= kColorMask;
  const std::uint32_t indices = LoadU32LE(block + 12);
  for (int y = 0; y < 4; ++y, out += stride) {
    const std::uint32_t word = LoadU16LE(block + 2 * y);
    for (int x = 0; x < 4; ++x) {
      const std::uint32_t alpha = ((word >> (4 * x)) & 15u) * 17;
      StorePixel(out + 4 * x, colors[(indices >> (8 * y + 2 * x)) & 3u] | alpha << kAlphaShift);
    }
  }
}

void DecodeDxt5Block(const std::uint8_t* block, std::uint8_t* out, std::size_t stride) {
  const std::uint32_t a0 = block[0], a1 = block[1];
  std::uint32_t alpha[8] = {a0, a1};
  if (a0 > a1) {
    for (std::uint32_t i = 2; i < 8; ++i) alpha[i] = ((8 - i) * a0 + (i - 1) * a1 + 3) / 7;
  } else {
    for (std::uint32_t i = 2; i < 6; ++i) alpha[i] = ((6 - i) * a0 + (i - 1) * a1 + 2) / 5;
    alpha[6] = 0;
    alpha[7] = 255;
  }
  for (auto& a : alpha) a <<= kAlphaShift;
  std::uint64_t bits = 0;
  for (int i = 5; i >= 0; --i) bits = (bits << 8) | block[2 + i];

  Colors colors;
  BlockColors(block + 8, false, colors);
  for (auto& c : colors) c &= kColorMask;
  const std::uint32_t indices = LoadU32LE(block + 12);
  for (int y = 0; y < 4; ++y, out += stride)
    for (int x = 0; x < 4; ++x) {
      const int p = 4 * y + x;
      StorePixel(out + 4 * x, colors[(indices >> (2 * p)) & 3u] | alpha[(bits >> (3 * p)) & 7u]);
    }
}

using BlockDecoder = void (*)(const std::uint8_t*, std::uint8_t*, std::size_t);

// Walks the blocks of a level in row-major order, decoding each whole block that lies inside
// `blocks` and writing the part of it that lies inside both the image and `pixels`: straight
// into the image when all of it does, else through a tile that is clipped.
template <BlockDecoder DecodeBlock>
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
  std::uint8_t tile[64];
  for (std::uint64_t by = 0; by < blockRows; ++by) {
    const std::uint64_t rows = std::min<std::uint64_t>(4, height - 4 * by);
    const std::uint64_t top = 4 * by * rowBytes;
    if (top >= pixelBytes) return;
    for (std::uint64_t bx = 0; bx < blocksPerRow; ++bx, ++decoded, src += blockBytes) {
      if (decoded == present) return;
      const std::uint64_t rowPart = std::min<std::uint64_t>(4, width - 4 * bx) * 4;
      std::uint64_t offset = top + 16 * bx;
      if (rows == 4 && rowPart == 16 && FitsIn(pixelBytes, offset + 3 * rowBytes, 16)) {
        DecodeBlock(src, pixels.data() + offset, rowBytes);
        continue;
      }
      DecodeBlock(src, tile, 16);
      for (std::uint64_t y = 0; y < rows && offset < pixelBytes; ++y, offset += rowBytes)
        std::memcpy(pixels.data() + offset, tile + 16 * y, std::min(rowPart, pixelBytes - offset));
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
