// DirectDraw Surface files through the codec library's DDS exports.
// Reads: the top level of uncompressed 24/32-bit RGB and of DXT1, DXT3 and DXT5 surfaces.
// Writes: uncompressed 24/32-bit or DXT1 (24-bit bitmap) / DXT5 (32-bit bitmap), with a
//   mipmap chain when asked for.
// Does not support: other pixel formats, cube maps and volumes beyond the first surface.
#pragma once

#include <array>

#include "bitmap.hpp"

namespace ondrel {

class TDDSBitmap : public TBitmap {
 public:
  void LoadFromStream(QIODevice& stream) override;
  void SaveToStream(QIODevice& stream) override;

  std::array<std::uint8_t, 128> Header{};
  std::uint8_t MipmapsMinus1 = 0;
  bool Compressed = false;
  bool ErrorDiffusion = false;
};

}  // namespace ondrel
