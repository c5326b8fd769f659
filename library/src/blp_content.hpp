// Decoders of the content kinds inside a BLP file, for the dispatcher in blp_decode.cpp.
// Each reads only inside `file` and writes only inside `pixels`; pixels whose bytes lie
// outside the file keep their previous content (exact decoding clears the level first).
#pragma once

#include <cstdint>
#include <optional>

#include "blp_format.hpp"
#include "dxt.hpp"

namespace ormel::blp {

// How a paletted level carries alpha.
enum class AlphaPlane {
  None,   // alpha byte 0
  Bytes,  // one byte per pixel
  Bits1,  // packed, lowest bit first: 0 or 255
  Bits4,  // packed, low nibble first: n x 17
};

struct PalettedLevel {
  std::uint64_t indexOffset = 0;  // from the start of the file
  std::uint64_t pixelCount = 0;   // pixels to decode, in row order
  AlphaPlane alpha = AlphaPlane::None;
  std::uint64_t alphaOffset = 0;  // from the start of the file
  // Packed planes: the bytes of the plane the level's stored size holds. Pixels past them are
  // opaque, so a file that declares a packed plane but stores none still shows its colours.
  std::uint64_t packedAlphaBytes = 0;
};

// Pixel i = palette entry index[i] (blue, green, red) with its alpha. An index into palette
// entries outside the file leaves its pixel as it was.
void DecodePaletted(ConstBytes file, std::size_t paletteAt, const PalettedLevel& level,
                    Bytes pixels);

// Stored blue, green, red, alpha pixels, copied as they are.
void DecodeBgra(ConstBytes file, std::uint64_t offset, std::uint64_t pixelCount, Bytes pixels);

// The four-component JPEG stream of BLP1 level k: shared header + level data. Writes the
// frame's width and height; returns false, touching nothing, when the stream has no
// SOF0/SOF2 frame header. Throws JpegError when the codec refuses the stream. With
// `expected`, a frame of any other size is InvalidData, found before anything is allocated.
bool DecodeJpegLevel(ConstBytes file, const FileHeader& header, int level, Bytes pixels,
                     std::uint16_t& width, std::uint16_t& height,
                     std::optional<LevelSize> expected);

}  // namespace ormel::blp
