// JPEG files through the codec library's JPG exports.
// Reads: baseline (SOF0) and progressive (SOF2) JPEG into a 24-bit bitmap, with the quality
//   estimate against "jpeg.dat" and the progressive flag.
// Writes: baseline or progressive JPEG at a quality 1..100 from a 24- or 32-bit bitmap (alpha
//   dropped).
// Does not support: other frame types (lossless, arithmetic coded, 12-bit).
#pragma once

#include "bitmap.hpp"
#include "jpeg_analysis.hpp"

namespace ondrel {

struct JpegFacts {
  std::uint8_t Quality = 0;  // 255: not recognised; 0: no "jpeg.dat"
  bool Progressive = false;
};

class TJpegBitmap : public TBitmap {
 public:
  explicit TJpegBitmap(const JpegQualityTable& table = ProgramJpegQualityTable()) : table_(&table) {}
  void LoadFromStream(QIODevice& stream) override;
  EncodedFile Encode() override;

  JpegFacts facts() const { return {Quality, Progressive}; }

  std::uint8_t Quality = 90;  // after a load: the estimate 1..100, 255, or 0 without table
  bool Progressive = false;

 private:
  const JpegQualityTable* table_;
};

}  // namespace ondrel
