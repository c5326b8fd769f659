// BMP files.
// Reads: whatever Qt's BMP reader reads (1/4/8/16/24/32-bit, RLE, bit fields), after the
//   image-size field is recomputed from the info header so a zero or wrong value loads;
//   32-bit files with an alpha mask load as 32-bit with alpha.
// Writes: 24-bit files (info header) and 32-bit files with alpha (version 5 header, bit
//   fields with an alpha mask), bottom row first.
// Does not support: writing palettes or compression.
#pragma once

#include <QByteArray>

#include "bitmap.hpp"

namespace ondrel {

// A BMP file reports no facts.
struct BmpFacts {};

class TBitmapX : public TBitmap {
 public:
  void LoadFromStream(QIODevice& stream) override;
  EncodedFile Encode() override;
};

// The file image of a 24-bit or 32-bit bitmap.
QByteArray EncodeBmp(const TBitmap& bitmap);

}  // namespace ondrel
