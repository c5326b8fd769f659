// DXT1, DXT3 and DXT5 (S3TC) blocks: decoding of all three, encoding of DXT1 and DXT5.
// A level of w x h pixels is ceil(w/4) x ceil(h/4) blocks in row-major order; partial edge
// blocks are clipped when decoding and padded with repeated edge pixels when encoding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bytes.hpp"

namespace ormel::dxt {

enum class Format { Dxt1, Dxt3, Dxt5 };

inline std::size_t BlockBytes(Format f) { return f == Format::Dxt1 ? 8 : 16; }

// Bytes of a w x h level in whole blocks.
inline std::uint64_t LevelBytes(Format f, std::uint32_t w, std::uint32_t h) {
  return (std::uint64_t{w} + 3) / 4 * ((std::uint64_t{h} + 3) / 4) * BlockBytes(f);
}

// Decode blocks into packed 32-bit pixels (w x h x 4 bytes, row stride w x 4). Reads only
// whole blocks inside `blocks`; pixels of missing blocks keep their previous content. Writes
// only inside `pixels`.
void DecodeDxt1Image(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height);
void DecodeDxt3Image(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height);
void DecodeDxt5Image(ConstBytes blocks, Bytes pixels, std::uint32_t width, std::uint32_t height);
void DecodeImage(Format format, ConstBytes blocks, Bytes pixels, std::uint32_t width,
                 std::uint32_t height);

// Encodes packed pixels of 3 (blue, green, red) or 4 bytes into LevelBytes(format, w, h)
// bytes at the front of `out` (DXT5 when alphaBlock, else DXT1). Deterministic.
void EncodeDxtImage(ConstBytes pixels, std::uint32_t width, std::uint32_t height,
                    int bytesPerPixel, bool alphaBlock, bool dithering, Bytes out);

}  // namespace ormel::dxt
