// Paletted and uncompressed BLP levels.
// Reads: an index plane against a 256-entry blue-green-red palette, with no alpha, an 8-bit
//   alpha plane, or a packed 1- or 4-bit plane; BLP2 levels of 4-byte blue-green-red-alpha
//   pixels.
// Does not support: other alpha depths than 1 and 4 packed (every other depth reads bytes).
#include <algorithm>
#include <cstring>

#include "blp_content.hpp"

namespace ormel::blp {
namespace {

int BitsPerAlpha(AlphaPlane plane) {
  switch (plane) {
    case AlphaPlane::Bits1: return 1;
    case AlphaPlane::Bits4: return 4;
    case AlphaPlane::Bytes: return 8;
    case AlphaPlane::None: break;
  }
  return 0;
}

bool IsPacked(AlphaPlane plane) { return plane == AlphaPlane::Bits1 || plane == AlphaPlane::Bits4; }

// The part of the alpha plane that lies inside the file (and, packed, inside the level).
ConstBytes AlphaPlaneIn(ConstBytes file, const PalettedLevel& level) {
  const int bits = BitsPerAlpha(level.alpha);
  if (bits == 0) return {};
  std::uint64_t length = (level.pixelCount * bits + 7) / 8;
  if (IsPacked(level.alpha)) length = std::min(length, level.packedAlphaBytes);
  return ClipToFile(file, level.alphaOffset, length);
}

std::uint8_t AlphaOf(const std::uint8_t* plane, AlphaPlane kind, std::uint64_t i) {
  switch (kind) {
    case AlphaPlane::Bytes: return plane[i];
    case AlphaPlane::Bits1: return ((plane[i / 8] >> (i % 8)) & 1) ? 255 : 0;
    case AlphaPlane::Bits4:
      return static_cast<std::uint8_t>(((plane[i / 2] >> (4 * (i % 2))) & 0x0F) * 17);
    case AlphaPlane::None: break;
  }
  return 0;
}

}  // namespace

void DecodePaletted(ConstBytes file, std::size_t paletteAt, const PalettedLevel& level,
                    Bytes pixels) {
  const ConstBytes palette = ClipToFile(file, paletteAt, kPaletteBytes);
  const std::size_t entries = palette.size() / 4;
  const ConstBytes indices = ClipToFile(file, level.indexOffset, level.pixelCount);
  const ConstBytes alphaPlane = AlphaPlaneIn(file, level);
  const int bits = BitsPerAlpha(level.alpha);
  const std::uint64_t withAlpha = bits == 0 ? level.pixelCount : alphaPlane.size() * 8 / bits;
  const bool packed = IsPacked(level.alpha);
  const std::uint64_t count = std::min<std::uint64_t>(
      {indices.size(), packed ? level.pixelCount : withAlpha, pixels.size() / 4});
  const std::uint8_t* alpha = bits == 0 ? nullptr : alphaPlane.data();
  std::uint8_t* out = pixels.data();
  for (std::uint64_t i = 0; i < count; ++i, out += 4) {
    const std::size_t entry = indices[i];
    if (entry >= entries) continue;
    const std::uint8_t* color = palette.data() + 4 * entry;
    out[0] = color[0];
    out[1] = color[1];
    out[2] = color[2];
    if (alpha == nullptr || i >= withAlpha)
      out[3] = packed ? 255 : 0;
    else
      out[3] = AlphaOf(alpha, level.alpha, i);
  }
}

void DecodeBgra(ConstBytes file, std::uint64_t offset, std::uint64_t pixelCount, Bytes pixels) {
  const ConstBytes stored = ClipToFile(file, offset, pixelCount * 4);
  const std::uint64_t bytes = std::min<std::uint64_t>(stored.size(), pixels.size()) / 4 * 4;
  if (bytes != 0) std::memcpy(pixels.data(), stored.data(), static_cast<std::size_t>(bytes));
}

}  // namespace ormel::blp
