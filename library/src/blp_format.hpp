// The two BLP header layouts as the decoder reads them, and the derivation of a level's size
// from the stored sizes. Private to the BLP sources.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "bytes.hpp"

namespace ormel::blp {

inline constexpr std::uint32_t kSignatureBlp1 = 0x31504C42;  // "BLP1"
inline constexpr std::uint32_t kSignatureBlp2 = 0x32504C42;  // "BLP2"
inline constexpr int kLevelCount = 16;

// Byte offsets of the fields in a file.
namespace blp1 {
inline constexpr std::size_t kCompression = 4;
inline constexpr std::size_t kAlphaBits = 8;
inline constexpr std::size_t kWidth = 12;
inline constexpr std::size_t kHeight = 16;
inline constexpr std::size_t kPictureType = 20;
inline constexpr std::size_t kHasMipmaps = 24;
inline constexpr std::size_t kOffsets = 28;
inline constexpr std::size_t kSizes = 92;
inline constexpr std::size_t kHeaderBytes = 156;
inline constexpr std::size_t kJpegHeaderLength = 156;  // JPEG content
inline constexpr std::size_t kJpegHeader = 160;
inline constexpr std::size_t kPalette = 156;  // paletted content
}  // namespace blp1

namespace blp2 {
inline constexpr std::size_t kType = 4;
inline constexpr std::size_t kEncoding = 8;
inline constexpr std::size_t kAlphaDepth = 9;
inline constexpr std::size_t kAlphaEncoding = 10;
inline constexpr std::size_t kHasMipmaps = 11;
inline constexpr std::size_t kWidth = 12;
inline constexpr std::size_t kHeight = 16;
inline constexpr std::size_t kOffsets = 20;
inline constexpr std::size_t kSizes = 84;
inline constexpr std::size_t kHeaderBytes = 148;
inline constexpr std::size_t kPalette = 148;
}  // namespace blp2

inline constexpr std::size_t kPaletteBytes = 1024;

enum class Version { Blp1, Blp2 };

// BLP2 encoding byte.
enum : std::uint8_t { kEncodingPaletted = 1, kEncodingDxt = 2, kEncodingBgra = 3 };

// Every header fact of either version; fields the version lacks stay zero.
struct FileHeader {
  Version version = Version::Blp1;
  std::uint32_t compression = 0;  // BLP1 compression word, BLP2 type word
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::array<std::uint32_t, kLevelCount> offsets{};
  std::array<std::uint32_t, kLevelCount> sizes{};
  std::uint32_t alphaBits = 0;    // BLP1
  std::uint32_t pictureType = 0;  // BLP1
  std::uint8_t encoding = 0;      // BLP2
  std::uint8_t alphaDepth = 0;    // BLP2
  std::uint8_t alphaEncoding = 0; // BLP2
  std::uint8_t hasMipmaps = 0;
};

// Nothing for a file that does not start with either signature (or is shorter than one);
// throws InvalidData when the file is shorter than its version's header.
std::optional<FileHeader> ParseHeader(ConstBytes file);

struct LevelSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The smallest side a halving leaves for each content kind. DXT sides stop at one block, or
// at the level-0 side when that is already smaller, so a level never grows.
struct SideFloor {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
};
SideFloor PixelFloor();
SideFloor DxtFloor(std::uint32_t width0, std::uint32_t height0);

// Size of level k from the ratio of the stored sizes of level 0 and level k: each halving
// divides the ratio by the factor the area shrinks by (4 while both sides halve, 2 once one
// side sits at its floor) and the walk stops when neither side can halve. Throws
// DivisionByZero when level k's stored size is 0.
LevelSize DeriveLevelSize(std::uint32_t width0, std::uint32_t height0, std::uint32_t size0,
                          std::uint32_t sizeK, SideFloor floor);

// Level index used for a requested mipmap: requests past the table read its last entry.
inline int LevelIndex(unsigned mipmap) {
  return mipmap >= kLevelCount ? kLevelCount - 1 : static_cast<int>(mipmap);
}

// The bytes of [offset, offset + length) that lie inside the file; empty when none do.
inline ConstBytes ClipToFile(ConstBytes file, std::uint64_t offset, std::uint64_t length) {
  if (offset >= file.size()) return {};
  const std::uint64_t room = file.size() - offset;
  return file.subspan(static_cast<std::size_t>(offset),
                      static_cast<std::size_t>(length < room ? length : room));
}

}  // namespace ormel::blp
