// Truevision TGA files through the codec library's TGA exports.
// Reads: colour-mapped (types 1, 9) and true-colour (types 2, 10) images with 24-bit or
//   32-bit pixels or colour-map entries, bottom-up or top-down, plain or run-length encoded.
// Writes: true colour (24/32-bit) or paletted (24-bit colour map), plain or run-length, either
//   row order, with the palette options below.
// Does not support: grey (types 3, 11), 15/16-bit colours, footers and extension areas.
#pragma once

#include <array>

#include "bitmap.hpp"
#include "file_heads.hpp"

namespace ondrel {

struct TgaFacts {
  bool Rle = false, Paletted = false, TopLeft = false;
  std::uint16_t Colors = 0;  // colour-map length of a paletted file
  int AlphaBits = 0;         // 8 when the pixel or colour-map entry size is 32, else 0
};

class TTGABitmap : public TBitmap {
 public:
  void LoadFromStream(QIODevice& stream) override;
  EncodedFile Encode() override;

  // What the last load read from the header.
  TgaFacts facts() const;

  bool Rle = false;
  bool Override = false;
  bool TopLeft = false;
  bool Paletted = false;
  bool CompressPalette = false;
  bool ErrorDiffusion = false;
  std::uint16_t Colors = 256;
  std::array<std::uint8_t, tga_head::kSize> Header{};
};

}  // namespace ondrel
