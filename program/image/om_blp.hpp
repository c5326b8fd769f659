// BLP textures through the codec library's BLP exports.
// Reads: BLP1 (JPEG or paletted content) and BLP2 (paletted or DXT content), one mipmap level
//   chosen by MipmapIndex, with the header facts; alpha dropped when the header says none.
// Writes: BLP1 with JPEG or paletted content, BLP2 with paletted or DXT content, with the save
//   fields below.
// Does not support: levels the library does not decode (it reports them as empty).
#pragma once

#include <array>

#include "bitmap.hpp"
#include "jpeg_analysis.hpp"

namespace ondrel {

inline constexpr std::uint32_t kSignatureBlp1 = 0x31504C42;  // "BLP1"
inline constexpr std::uint32_t kSignatureBlp2 = 0x32504C42;  // "BLP2"

class TBLPBitmap : public TBitmap {
 public:
  explicit TBLPBitmap(const JpegQualityTable& table = ProgramJpegQualityTable()) : table_(&table) {}
  void LoadFromStream(QIODevice& stream) override;
  void SaveToStream(QIODevice& stream) override;

  std::uint32_t Signature = kSignatureBlp1;
  std::uint32_t Compression = 0;
  std::uint32_t Width = 0, Height = 0;
  std::array<std::uint32_t, 16> MipmapOffsets{};
  std::array<std::uint32_t, 16> MipmapSizes{};
  std::uint32_t AlphaBits = 0;
  std::uint32_t PictureType = 0;
  std::uint8_t Encoding = 0, AlphaDepth = 0, AlphaEncoding = 0;
  std::uint8_t HasMipmaps = 0;
  std::uint32_t SaveMipmapsMinus1 = 0;
  std::uint32_t SaveColorsOrQuality = 0;
  bool SaveFlagA = false;
  bool SaveFlagB = false;
  std::uint32_t FileSize = 0;
  std::uint32_t AuxSize = 0;
  std::uint32_t UsedColorsOrQuality = 0;
  bool Progressive = false;
  bool HasAlpha = false;
  std::uint8_t MipmapIndex = 0;

 private:
  const JpegQualityTable* table_;
};

}  // namespace ondrel
