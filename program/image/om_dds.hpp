// DirectDraw Surface files through the codec library's DDS exports.
// Reads: the top level of uncompressed 24/32-bit RGB and of DXT1, DXT3 and DXT5 surfaces.
// Writes: uncompressed 24/32-bit or DXT1 (24-bit bitmap) / DXT5 (32-bit bitmap), with a
//   mipmap chain when asked for.
// Does not support: other pixel formats, cube maps and volumes beyond the first surface.
#pragma once

#include <array>

#include "bitmap.hpp"
#include "file_heads.hpp"

namespace ondrel {

struct DdsFacts {
  bool Compressed = false;
  int AlphaBits = 0;             // DXT1 / DXT3 / DXT5: 0 / 4 / 8; uncompressed: 8 for 32-bit
  std::uint8_t MipmapCount = 0;  // the header's mipmap-count field
};

class TDDSBitmap : public TBitmap {
 public:
  void LoadFromStream(QIODevice& stream) override;
  EncodedFile Encode() override;

  // What the last load read from the head.
  DdsFacts facts() const;

  std::array<std::uint8_t, dds_head::kSize> Header{};
  std::uint8_t MipmapsMinus1 = 0;
  bool Compressed = false;
  bool ErrorDiffusion = false;
};

}  // namespace ondrel
