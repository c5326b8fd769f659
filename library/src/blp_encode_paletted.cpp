// BLP1 or BLP2 with paletted content: one palette from level 0 serves every level; each level
// is an index plane, then an 8-bit alpha plane when the record asks for alpha. With error
// diffusion each reduced level is resampled from the dithered level above it.
#include <algorithm>
#include <string>

#include "blp_encode_frame.hpp"
#include "quantize.hpp"

namespace ormel::blp::encode {
namespace {

constexpr int kPaletteEntries = 256;

Palette BuildPalette(ImageView level0, int colors) {
  Palette palette{};
  TColorQuantizer quantizer(colors, 8);
  quantizer.ScanBitmap(level0);
  quantizer.FillPalette(palette);
  // The fourth byte of an entry is reserved and always written as 0.
  for (int i = 0; i < kPaletteEntries; ++i) palette[4 * i + 3] = 0;
  return palette;
}

void WriteIndexPlane(ImageView level, TColorLookup& lookup, std::uint8_t* out) {
  for (std::uint32_t y = 0; y < level.height; ++y) {
    const std::uint8_t* p = level.row(y);
    for (std::uint32_t x = 0; x < level.width; ++x, p += 4)
      *out++ = static_cast<std::uint8_t>(lookup.Nearest(p[2], p[1], p[0]));
  }
}

void WriteAlphaPlane(ImageView level, std::uint8_t* out) {
  for (std::uint32_t y = 0; y < level.height; ++y) {
    const std::uint8_t* p = level.row(y);
    for (std::uint32_t x = 0; x < level.width; ++x, p += 4) *out++ = p[3];
  }
}

}  // namespace

Block EncodePaletted(ConstBytes pixels, TBLPHeader& header, Version version) {
  const std::uint32_t colors = header.ColorsOrQuality;
  // More than 256 colours would write past the palette; none leaves nothing to index.
  if (colors < 1 || colors > kPaletteEntries)
    throw InvalidData("ormel: BLP palette of " + std::to_string(colors) +
                      " colours is outside 1..256");
  const bool alphaPlane = header.AlphaDepth == 8 || header.AlphaBits == 8;
  const std::uint32_t headerBytes =
      version == Version::Blp1 ? blp1::kHeaderBytes : blp2::kHeaderBytes;
  const std::uint32_t paletteBytes = header.FlagA != 0 ? 4 * colors : 4 * kPaletteEntries;
  const LevelPlan plan =
      PlanLevels(header.Width, header.Height, header.MipmapsMinus1, PixelFloor());

  // Every level's length is known before any work, so the file is written in place.
  LevelTable table;
  std::uint64_t offset = std::uint64_t{headerBytes} + paletteBytes;
  for (const LevelSize& level : plan.levels) {
    const std::uint64_t bytes = PixelCount(level) * (alphaPlane ? 2 : 1);
    table.Add(offset, bytes);
    offset += bytes;
  }

  MipmapChain chain(pixels, plan.levels.front());
  const Palette palette = BuildPalette(chain.Current(), static_cast<int>(colors));
  TColorLookup lookup(palette, static_cast<int>(colors) - 1);
  Block file = Block::Allocate(static_cast<std::size_t>(offset));
  std::uint8_t* const base = file.data();
  std::copy_n(palette.begin(), paletteBytes, base + headerBytes);

  for (std::size_t m = 0; m < plan.levels.size(); ++m) {
    if (m > 0) chain.Advance(plan.levels[m]);
    if (header.FlagB != 0) DiffuseToPalette(chain.CurrentForWriting(), lookup);
    const ImageView level = chain.Current();
    std::uint8_t* const indices = base + table.offsets[m];
    WriteIndexPlane(level, lookup, indices);
    if (alphaPlane) WriteAlphaPlane(level, indices + PixelCount(plan.levels[m]));
  }

  StoreTables(table, plan.longest, header);
  TBLPHeader fileFields = header;
  // A BLP2 reader decodes a palette only under encoding 1; the record may say 0.
  if (version == Version::Blp2) fileFields.Encoding = 1;
  WriteHeader(version, fileFields, file.bytes());
  return file;
}

}  // namespace ormel::blp::encode
