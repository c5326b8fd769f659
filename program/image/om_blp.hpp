// BLP textures through the codec library's BLP exports.
// Reads: BLP1 (JPEG or paletted content) and BLP2 (paletted or DXT content), one mipmap level
//   chosen by MipmapIndex, with the header facts; alpha dropped when the header says none.
// Writes: BLP1 with JPEG or paletted content, BLP2 with paletted or DXT content, with the save
//   fields below.
// Does not support: BLP2 content other than paletted, DXT or raw pixels (refused).
#pragma once

#include <array>

#include "bitmap.hpp"
#include "jpeg_analysis.hpp"

namespace ondrel {

inline constexpr std::uint32_t kSignatureBlp1 = 0x31504C42;  // "BLP1"
inline constexpr std::uint32_t kSignatureBlp2 = 0x32504C42;  // "BLP2"

// The facts of a BLP file: its header as the library reads it (BLP_GetHeaderEx), and what the
// class measures beyond it.
struct BlpFacts {
  std::uint32_t Signature = 0;    // kSignatureBlp1 or kSignatureBlp2; 0 when no BLP file was read
  std::uint32_t Compression = 0;  // BLP1: 0 JPEG content, 1 paletted; BLP2: the type word
  std::uint32_t Width = 0, Height = 0;
  std::array<std::uint32_t, 16> MipmapOffsets{};
  std::array<std::uint32_t, 16> MipmapSizes{};
  std::uint32_t AlphaBits = 0;    // BLP1
  std::uint32_t PictureType = 0;  // BLP1
  std::uint8_t Encoding = 0, AlphaDepth = 0, AlphaEncoding = 0;  // BLP2
  std::uint8_t HasMipmaps = 0;
  std::uint32_t FileSize = 0;
  // BLP1 JPEG content: the shared JPEG header's size; otherwise the palette bytes.
  std::uint32_t AuxSize = 0;
  // BLP1 paletted: used palette entries; BLP1 JPEG content: the quality estimate (1..100,
  // 255 not recognised, 0 without "jpeg.dat").
  std::uint32_t UsedColorsOrQuality = 0;
  bool Progressive = false;  // BLP1 JPEG content

  bool isBlp1() const { return Signature == kSignatureBlp1; }
};

// The facts are the class's own fields (Signature, Compression and Encoding are save inputs
// too); the save fields follow.
class TBLPBitmap : public TBitmap, public BlpFacts {
 public:
  explicit TBLPBitmap(const JpegQualityTable& table = ProgramJpegQualityTable()) : table_(&table) {
    Signature = kSignatureBlp1;  // what a save writes unless told otherwise
  }
  void LoadFromStream(QIODevice& stream) override;
  EncodedFile Encode() override;

  const BlpFacts& facts() const { return *this; }

  std::uint32_t SaveMipmapsMinus1 = 0;
  std::uint32_t SaveColorsOrQuality = 0;
  bool SaveFlagA = false;
  bool SaveFlagB = false;
  bool HasAlpha = false;
  std::uint8_t MipmapIndex = 0;

 private:
  void takeHeader(const TBLPHeader& header);
  const JpegQualityTable* table_;
};

}  // namespace ondrel
