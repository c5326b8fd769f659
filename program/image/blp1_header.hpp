// The BLP1 file header as the byte tools see it: 156 bytes, little-endian fields at fixed
// offsets. The comment codec and the optimizer work on these bytes without decoding pixels.
// Qt-free, so the optimizer can be fuzzed on its own.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "file_heads.hpp"

namespace ondrel {

inline constexpr std::size_t kBlp1HeaderSize = 156;
inline constexpr std::size_t kBlp1CompressionAt = 4;
inline constexpr std::size_t kBlp1WidthAt = 12;
inline constexpr std::size_t kBlp1HeightAt = 16;
inline constexpr std::size_t kBlp1OffsetsAt = 28;
inline constexpr std::size_t kBlp1SizesAt = 92;
inline constexpr std::size_t kBlp1JpegHeaderSizeAt = 156;
inline constexpr std::size_t kBlp1JpegHeaderAt = 160;

using Blp1Header = std::array<std::uint8_t, kBlp1HeaderSize>;

inline std::uint32_t MipmapOffset(std::span<const std::uint8_t> h, int i) {
  return GetU32(h, kBlp1OffsetsAt + 4 * static_cast<std::size_t>(i));
}
inline std::uint32_t MipmapSize(std::span<const std::uint8_t> h, int i) {
  return GetU32(h, kBlp1SizesAt + 4 * static_cast<std::size_t>(i));
}
inline void SetMipmapOffset(std::span<std::uint8_t> h, int i, std::uint32_t v) {
  PutU32(h, kBlp1OffsetsAt + 4 * static_cast<std::size_t>(i), v);
}
inline void SetMipmapSize(std::span<std::uint8_t> h, int i, std::uint32_t v) {
  PutU32(h, kBlp1SizesAt + 4 * static_cast<std::size_t>(i), v);
}

// 1 + floor(log2(max(width, height))) of the low 16 bits of each side; 1 for 0 x 0.
int MipmapCountFor(std::uint16_t width, std::uint16_t height);

// MipmapCountFor of the header's width and height fields.
int MipmapCountOf(std::span<const std::uint8_t, kBlp1HeaderSize> header);

// The number of distinct levels stored back to back from level 0 (1..16).
int CountStoredMipmaps(std::span<const std::uint8_t, kBlp1HeaderSize> header);

}  // namespace ondrel
