// BLP decoding of one mipmap level into packed 32-bit pixels.
// Reads: BLP1 with JPEG content (merged or unmerged headers) or paletted content (no alpha,
//   8-bit, and packed 1- or 4-bit alpha planes); BLP2 with paletted content, DXT1/3/5 blocks
//   or 4-byte blue-green-red-alpha pixels (encoding 3).
// Does not support: BLP1 compression words other than 0 and 1, BLP2 type words other than 1,
//   BLP2 encodings other than 1 to 3 (nothing is decoded), level-0 sides above 65535.
// Never reads outside the file span nor writes outside the pixel span.
#include <algorithm>
#include <string>

#include "blp.hpp"
#include "blp_content.hpp"
#include "limits.hpp"

namespace ormel::blp {
namespace {

// The out variables are 16 bits wide: a larger side cannot be reported, so it is refused
// before anything is written.
void RequireReportableSides(const FileHeader& h) {
  if (h.width > kMaxSide || h.height > kMaxSide)
    throw LimitExceeded("ormel: BLP level 0 of " + std::to_string(h.width) + " x " +
                        std::to_string(h.height) + " exceeds 65535 pixels a side");
}

void Report(LevelSize size, std::uint16_t& width, std::uint16_t& height) {
  width = static_cast<std::uint16_t>(size.width);
  height = static_cast<std::uint16_t>(size.height);
}

// Writes the level-0 size first: a stored size of 0 throws with that size reported.
LevelSize LevelOf(const FileHeader& h, int k, SideFloor floor, std::uint16_t& width,
                  std::uint16_t& height) {
  Report({h.width, h.height}, width, height);
  const LevelSize size = DeriveLevelSize(h.width, h.height, h.sizes[0], h.sizes[k], floor);
  Report(size, width, height);
  return size;
}

AlphaPlane PackedOrBytes(std::uint32_t bits) {
  if (bits == 1) return AlphaPlane::Bits1;
  if (bits == 4) return AlphaPlane::Bits4;
  return AlphaPlane::Bytes;
}

bool DecodeBlp1Paletted(ConstBytes file, const FileHeader& h, int k, Bytes pixels,
                        std::uint16_t& width, std::uint16_t& height) {
  RequireReportableSides(h);
  const LevelSize size = LevelOf(h, k, PixelFloor(), width, height);
  const std::uint64_t area = std::uint64_t{size.width} * size.height;
  const std::uint64_t stored = h.sizes[k];
  PalettedLevel level;
  level.indexOffset = h.offsets[k];
  const bool hasAlpha = h.pictureType < 5 || h.alphaBits == 8;
  level.alpha = hasAlpha ? PackedOrBytes(h.alphaBits) : AlphaPlane::None;
  switch (level.alpha) {
    case AlphaPlane::None:
      level.pixelCount = std::min(stored, area);
      break;
    case AlphaPlane::Bytes: {
      // The plane starts half way into the level, or right after a full index plane when
      // the stored size is shorter than two planes.
      const std::uint64_t half = std::max(stored, 2 * area) / 2;
      level.alphaOffset = level.indexOffset + half;
      level.pixelCount = std::min(half, area);
      break;
    }
    case AlphaPlane::Bits1:
    case AlphaPlane::Bits4:
      level.alphaOffset = level.indexOffset + area;
      level.pixelCount = std::min(stored, area);
      level.packedAlphaBytes = stored > area ? stored - area : 0;
      break;
  }
  DecodePaletted(file, blp1::kPalette, level, pixels);
  return true;
}

dxt::Format DxtFormatOf(const FileHeader& h) {
  if (h.alphaDepth == 8 && h.alphaEncoding == 1) return dxt::Format::Dxt3;
  if (h.alphaDepth == 8 && h.alphaEncoding == 7) return dxt::Format::Dxt5;
  return dxt::Format::Dxt1;
}

bool DecodeBlp2(ConstBytes file, const FileHeader& h, int k, Bytes pixels, std::uint16_t& width,
                std::uint16_t& height) {
  RequireReportableSides(h);
  const bool pixelContent = h.encoding == kEncodingPaletted || h.encoding == kEncodingBgra;
  const SideFloor floor = pixelContent ? PixelFloor() : DxtFloor(h.width, h.height);
  const LevelSize size = LevelOf(h, k, floor, width, height);
  if (h.compression != 1) return false;

  const std::uint64_t area = std::uint64_t{size.width} * size.height;
  const std::uint64_t stored = h.sizes[k];
  const std::uint64_t offset = h.offsets[k];
  switch (h.encoding) {
    case kEncodingPaletted: {
      PalettedLevel level;
      level.indexOffset = offset;
      level.pixelCount = std::min(stored, area);
      if (h.alphaDepth == 1 || h.alphaDepth == 4) {
        level.alpha = PackedOrBytes(h.alphaDepth);
        level.alphaOffset = offset + area;
        level.packedAlphaBytes = stored > area ? stored - area : 0;
      } else if (h.alphaDepth != 0) {
        level.alpha = AlphaPlane::Bytes;
        level.alphaOffset = offset + stored / 2;
        level.pixelCount = std::min(stored / 2, area);
      }
      DecodePaletted(file, blp2::kPalette, level, pixels);
      return true;
    }
    case kEncodingDxt:
      dxt::DecodeImage(DxtFormatOf(h), ClipToFile(file, offset, stored), pixels, size.width,
                       size.height);
      return true;
    case kEncodingBgra:
      DecodeBgra(file, offset, std::min(stored / 4, area), pixels);
      return true;
    default:
      return false;
  }
}

}  // namespace

bool Decode(ConstBytes file, unsigned mipmap, Bytes pixels, std::uint16_t& width,
            std::uint16_t& height) {
  const auto header = ParseHeader(file);
  if (!header) return false;
  const int k = LevelIndex(mipmap);
  if (header->version == Version::Blp2) return DecodeBlp2(file, *header, k, pixels, width, height);
  switch (header->compression) {
    case 0: return DecodeJpegLevel(file, *header, k, pixels, width, height);
    case 1: return DecodeBlp1Paletted(file, *header, k, pixels, width, height);
    default: return false;
  }
}

}  // namespace ormel::blp
