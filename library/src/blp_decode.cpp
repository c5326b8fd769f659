// BLP decoding of one mipmap level into packed 32-bit pixels.
// Reads: BLP1 with JPEG content (merged or unmerged headers) or paletted content (no alpha,
//   8-bit, and packed 1- or 4-bit alpha planes); BLP2 with paletted content, DXT1/3/5 blocks
//   or 4-byte blue-green-red-alpha pixels (encoding 3).
// Does not support: BLP1 compression words other than 0 and 1, BLP2 type words other than 1,
//   BLP2 encodings other than 1 to 3 (nothing is decoded), level-0 sides above 65535.
// Never reads outside the file span nor writes outside the pixel span.
#include <algorithm>
#include <cstring>
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

// A level whose stored bytes pass the end of the file: refused by exact decoding, whatever the
// content, so no caller shows or saves pixels the file does not hold.
void RequireLevelInFile(ConstBytes file, const FileHeader& h, int k) {
  const std::uint64_t end = std::uint64_t{h.offsets[k]} + h.sizes[k];
  if (end > file.size())
    throw InvalidData("ormel: truncated: mipmap " + std::to_string(k) + " ends at byte " +
                      std::to_string(end) + ", the file has " + std::to_string(file.size()) +
                      " bytes");
}

// Exact decoding writes every pixel of the level: what the level does not store (a short
// index plane, blocks or alpha bytes missing, an index past the palette) comes out 0, 0, 0, 0
// instead of whatever the caller's buffer held.
void ClearLevel(LevelSize size, Bytes pixels, Bounds bounds) {
  if (bounds != Bounds::Exact) return;
  const std::uint64_t bytes = std::uint64_t{size.width} * size.height * 4;
  if (bytes > pixels.size())
    throw LimitExceeded("ormel: BLP level of " + std::to_string(size.width) + " x " +
                        std::to_string(size.height) + " does not fit the pixel buffer");
  std::memset(pixels.data(), 0, static_cast<std::size_t>(bytes));
}

// The size a JPEG level must have: the stored chain halves level 0 with a floor of 1 pixel.
// A table entry that repeats the one before it (writers fill the table past their last level
// that way) stands for that earlier level.
LevelSize ExpectedJpegLevel(const FileHeader& h, int k) {
  while (k > 0 && h.offsets[k] == h.offsets[k - 1] && h.sizes[k] == h.sizes[k - 1]) --k;
  LevelSize s{h.width, h.height};
  for (int i = 0; i < k; ++i) s = {std::max(1u, s.width / 2), std::max(1u, s.height / 2)};
  return s;
}

bool DecodeBlp1Jpeg(ConstBytes file, const FileHeader& h, int k, Bytes pixels,
                    std::uint16_t& width, std::uint16_t& height, Bounds bounds) {
  if (bounds == Bounds::Trusted) return DecodeJpegLevel(file, h, k, pixels, width, height, {});
  RequireReportableSides(h);
  RequireLevelInFile(file, h, k);
  return DecodeJpegLevel(file, h, k, pixels, width, height, ExpectedJpegLevel(h, k));
}

AlphaPlane PackedOrBytes(std::uint32_t bits) {
  if (bits == 1) return AlphaPlane::Bits1;
  if (bits == 4) return AlphaPlane::Bits4;
  return AlphaPlane::Bytes;
}

bool DecodeBlp1Paletted(ConstBytes file, const FileHeader& h, int k, Bytes pixels,
                        std::uint16_t& width, std::uint16_t& height, Bounds bounds) {
  RequireReportableSides(h);
  const LevelSize size = LevelOf(h, k, PixelFloor(), width, height);
  if (bounds == Bounds::Exact) RequireLevelInFile(file, h, k);
  ClearLevel(size, pixels, bounds);
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
                std::uint16_t& height, Bounds bounds) {
  RequireReportableSides(h);
  const bool pixelContent = h.encoding == kEncodingPaletted || h.encoding == kEncodingBgra;
  const SideFloor floor = pixelContent ? PixelFloor() : DxtFloor(h.width, h.height);
  const LevelSize size = LevelOf(h, k, floor, width, height);
  if (h.compression != 1) return false;
  const bool known = h.encoding == kEncodingPaletted || h.encoding == kEncodingDxt ||
                     h.encoding == kEncodingBgra;
  if (!known) return false;
  if (bounds == Bounds::Exact) RequireLevelInFile(file, h, k);
  ClearLevel(size, pixels, bounds);

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
            std::uint16_t& height, Bounds bounds) {
  const auto header = ParseHeader(file);
  if (!header) return false;
  const int k = LevelIndex(mipmap);
  if (header->version == Version::Blp2)
    return DecodeBlp2(file, *header, k, pixels, width, height, bounds);
  switch (header->compression) {
    case 0: return DecodeBlp1Jpeg(file, *header, k, pixels, width, height, bounds);
    case 1: return DecodeBlp1Paletted(file, *header, k, pixels, width, height, bounds);
    default: return false;
  }
}

}  // namespace ormel::blp
