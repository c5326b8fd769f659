// Little-endian fields of the file heads the image layer reads and writes, and the named
// offsets of the TGA and DDS heads. Qt-free, so the BLP1 byte tools share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ondrel {

// The bytes of any contiguous container of chars or bytes (QByteArray, std::array, ...).
template <typename Container>
std::span<const std::uint8_t> AsBytes(const Container& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())};
}
template <typename Container>
std::span<std::uint8_t> AsWritableBytes(Container& bytes) {
  return {reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())};
}

inline std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
inline std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}
inline void PutU16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t v) {
  bytes[at] = static_cast<std::uint8_t>(v);
  bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The 18-byte TGA file header.
namespace tga_head {
inline constexpr std::size_t kSize = 18;
inline constexpr std::size_t kIdLength = 0;
inline constexpr std::size_t kColorMapType = 1;
inline constexpr std::size_t kImageType = 2;
inline constexpr std::size_t kColorMapLength = 5;     // 16-bit
inline constexpr std::size_t kColorMapEntrySize = 7;  // bits
inline constexpr std::size_t kWidth = 12;             // 16-bit
inline constexpr std::size_t kHeight = 14;            // 16-bit
inline constexpr std::size_t kPixelDepth = 16;        // bits
inline constexpr std::size_t kDescriptor = 17;
inline constexpr std::uint8_t kTopLeft = 0x20;        // descriptor bit: rows top row first
}  // namespace tga_head

// The 128-byte DDS file head: the magic "DDS " and the 124-byte surface description.
namespace dds_head {
inline constexpr std::size_t kSize = 128;
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kFlags = 8;
inline constexpr std::size_t kHeight = 12;
inline constexpr std::size_t kWidth = 16;
inline constexpr std::size_t kLinearSize = 20;
inline constexpr std::size_t kMipmapCount = 28;
inline constexpr std::size_t kPixelFormatSize = 76;
inline constexpr std::size_t kPixelFormatFlags = 80;
inline constexpr std::size_t kFourCC = 84;
inline constexpr std::size_t kRgbBitCount = 88;
inline constexpr std::size_t kRedMask = 92;
inline constexpr std::size_t kGreenMask = 96;
inline constexpr std::size_t kBlueMask = 100;
inline constexpr std::size_t kAlphaMask = 104;
inline constexpr std::size_t kCaps = 108;
inline constexpr std::size_t kCaps2 = 112;

inline constexpr std::uint32_t kMagicValue = 0x20534444;  // "DDS "
inline constexpr std::uint32_t kFourCCFlag = 0x4;          // pixel format: a four-character code
inline constexpr std::uint32_t kRgbFlag = 0x40;            // pixel format: RGB masks
inline constexpr std::uint32_t kDxt1 = 0x31545844, kDxt3 = 0x33545844, kDxt5 = 0x35545844;
}  // namespace dds_head

}  // namespace ondrel
