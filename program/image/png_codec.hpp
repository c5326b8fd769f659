// PNG files through libpng.
// Reads: every colour type and bit depth of the PNG standard: 1/2/4/8-bit palettes with or
//   without a transparency chunk, grey and grey + alpha, RGB and RGBA, 16-bit samples (scaled
//   to 8 bits), tRNS colour keys of grey and RGB images (matching pixels transparent), and
//   Adam7 interlacing. Result: 24-bit, or 32-bit when the file has alpha or transparency.
// Writes: 8-bit RGB (24-bit bitmap) or RGBA (32-bit bitmap), not interlaced, with the given
//   deflate level and exactly the given set of row filters.
// Does not support: writing palettes, grey or 16-bit samples; gamma or colour-profile handling.
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstdint>

#include "bitmap.hpp"

namespace ondrel {

struct PngFacts {
  bool interlaced = false;
  bool paletted = false;
  int alphaBits = 0;  // 8 with a transparency chunk or an alpha channel
};

struct PngWriteOptions {
  int compression = 9;  // deflate level 0..9
  bool filterSub = false, filterUp = false, filterAverage = false, filterPaeth = false;
};

// libpng's filter mask for the options: {None} when no filter is chosen, else exactly those.
int PngFilterMask(const PngWriteOptions& options);

// Decodes a PNG file image into the target. Throws ImageLoadError on a damaged or refused file.
PngFacts DecodePng(const QByteArray& file, TBitmap& target);

// Encodes a 24-bit or 32-bit bitmap.
QByteArray EncodePng(const TBitmap& source, const PngWriteOptions& options);

}  // namespace ondrel
