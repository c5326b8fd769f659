// Truevision TGA files through the codec library's TGA exports.
// Reads: colour-mapped (types 1, 9) and true-colour (types 2, 10) images with 24-bit or
//   32-bit pixels or colour-map entries, bottom-up or top-down, plain or run-length encoded.
// Writes: true colour (24/32-bit) or paletted (24-bit colour map), plain or run-length, either
//   row order, with the palette options below.
// Does not support: grey (types 3, 11), 15/16-bit colours, footers and extension areas.
#pragma once

#include <array>

#include "bitmap.hpp"

namespace ondrel {

class TTGABitmap : public TBitmap {
 public:
  void LoadFromStream(QIODevice& stream) override;
  void SaveToStream(QIODevice& stream) override;

  bool Rle = false;
  bool Override = false;
  bool TopLeft = false;
  bool Paletted = false;
  bool CompressPalette = false;
  bool ErrorDiffusion = false;
  std::uint16_t Colors = 256;
  std::array<std::uint8_t, 18> Header{};
};

}  // namespace ondrel
