// The program-wide save options: six blocks of 8 bytes, one per target format, kept by the
// settings store and edited in the options dialog. Flags are 1 for on, 0 for off.
#pragma once

#include <cstdint>

namespace ondrel {

struct Blp1Options {
  std::uint8_t Blp1Paletted, Blp1ColorsMinus1, Blp1Quality, Blp1CompressPalette,
      Blp1ErrorDiffusion, Blp1MergeHeaders, Blp1Progressive, Blp1MipmapsMinus1;
};
struct Blp2Options {
  std::uint8_t Blp2Kind, Blp2ColorsMinus1, Blp2Encoding, Blp2CompressPalette,
      Blp2ErrorDiffusion, Blp2DxtErrorDiffusion, Unused6, Blp2MipmapsMinus1;
};
struct DdsOptions {
  std::uint8_t DdsCompressed, DdsErrorDiffusion, DdsMipmapsMinus1, Unused[5];
};
struct TgaOptions {
  std::uint8_t TgaPaletted, TgaColorsMinus1, TgaCompressPalette, TgaErrorDiffusion, TgaTopLeft,
      TgaRle, TgaOverride, Unused7;
};
struct PngOptions {
  std::uint8_t PngCompression, PngFilterSub, PngFilterUp, PngFilterAverage, PngFilterPaeth,
      Unused[3];
};
struct JpgOptions {
  std::uint8_t JpgQuality, JpgProgressive, Unused[6];
};

struct FileFormatOptions {
  Blp1Options blp1{};
  Blp2Options blp2{};
  DdsOptions dds{};
  TgaOptions tga{};
  PngOptions png{};
  JpgOptions jpg{};
};
static_assert(sizeof(FileFormatOptions) == 48);

// The values the options dialog is designed with.
inline FileFormatOptions DesignedFileFormatOptions() {
  FileFormatOptions o;
  o.blp1 = {0, 255, 85, 1, 1, 1, 1, 1};
  o.blp2 = {1, 255, 2, 1, 1, 1, 0, 1};
  o.dds = {1, 1, 1, {}};
  o.tga = {0, 255, 1, 1, 0, 0, 0, 0};
  o.png = {9, 0, 0, 0, 0, {}};
  o.jpg = {85, 0, {}};
  return o;
}

}  // namespace ondrel
