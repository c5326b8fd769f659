// BLP header parsing and level size derivation, shared by the header probe and the decoder.
#include "blp_format.hpp"

#include <algorithm>

namespace ormel::blp {
namespace {

void ReadTable(ConstBytes file, std::size_t at, std::array<std::uint32_t, kLevelCount>& table) {
  for (int i = 0; i < kLevelCount; ++i) table[i] = LoadU32LE(file.data() + at + 4 * i);
}

}  // namespace

std::optional<FileHeader> ParseHeader(ConstBytes file) {
  if (file.size() < 4) return std::nullopt;
  const std::uint32_t signature = LoadU32LE(file.data());
  FileHeader h;
  const std::uint8_t* p = file.data();
  if (signature == kSignatureBlp1) {
    RequireBytes(file, 0, blp1::kHeaderBytes, "BLP1 header");
    h.version = Version::Blp1;
    h.compression = LoadU32LE(p + blp1::kCompression);
    h.alphaBits = LoadU32LE(p + blp1::kAlphaBits);
    h.width = LoadU32LE(p + blp1::kWidth);
    h.height = LoadU32LE(p + blp1::kHeight);
    h.pictureType = LoadU32LE(p + blp1::kPictureType);
    h.hasMipmaps = p[blp1::kHasMipmaps];
    ReadTable(file, blp1::kOffsets, h.offsets);
    ReadTable(file, blp1::kSizes, h.sizes);
    return h;
  }
  if (signature == kSignatureBlp2) {
    RequireBytes(file, 0, blp2::kHeaderBytes, "BLP2 header");
    h.version = Version::Blp2;
    h.compression = LoadU32LE(p + blp2::kType);
    h.encoding = p[blp2::kEncoding];
    h.alphaDepth = p[blp2::kAlphaDepth];
    h.alphaEncoding = p[blp2::kAlphaEncoding];
    h.hasMipmaps = p[blp2::kHasMipmaps];
    h.width = LoadU32LE(p + blp2::kWidth);
    h.height = LoadU32LE(p + blp2::kHeight);
    ReadTable(file, blp2::kOffsets, h.offsets);
    ReadTable(file, blp2::kSizes, h.sizes);
    return h;
  }
  return std::nullopt;
}

SideFloor PixelFloor() { return {1, 1}; }

SideFloor DxtFloor(std::uint32_t width0, std::uint32_t height0) {
  return {std::min<std::uint32_t>(4, width0), std::min<std::uint32_t>(4, height0)};
}

LevelSize DeriveLevelSize(std::uint32_t width0, std::uint32_t height0, std::uint32_t size0,
                          std::uint32_t sizeK, SideFloor floor) {
  if (sizeK == 0) throw DivisionByZero("ormel: BLP level selected has a stored size of 0");
  LevelSize s{width0, height0};
  std::uint32_t ratio = size0 / sizeK;
  while (ratio > 1) {
    const bool halveWidth = s.width > floor.width;
    const bool halveHeight = s.height > floor.height;
    if (!halveWidth && !halveHeight) break;
    if (halveWidth) s.width /= 2;
    if (halveHeight) s.height /= 2;
    ratio /= (halveWidth && halveHeight) ? 4 : 2;
  }
  return s;
}

}  // namespace ormel::blp
