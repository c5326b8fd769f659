// Lookup tables of the DXT codec, built once and never changed afterwards, so encoding and
// decoding are safe from several threads at once.
#pragma once

#include <array>
#include <cstdint>

namespace ormel::dxt {

// The rounded product a * b / 255. The shifts are arithmetic (C++20 defines >> on negative
// values so), which keeps the rounding right for negative a as well.
constexpr int MulDiv255(int a, int b) {
  const int t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// A 5- or 6-bit endpoint level widened to 8 bits with bit replication (31 -> 255, 16 -> 132):
// the colour the format defines for it. The decoder and the encoder both widen through these.
inline constexpr std::array<std::uint8_t, 32> kWiden5 = [] {
  std::array<std::uint8_t, 32> t{};
  for (int i = 0; i < 32; ++i) t[i] = static_cast<std::uint8_t>((i << 3) | (i >> 2));
  return t;
}();
inline constexpr std::array<std::uint8_t, 64> kWiden6 = [] {
  std::array<std::uint8_t, 64> t{};
  for (int i = 0; i < 64; ++i) t[i] = static_cast<std::uint8_t>((i << 2) | (i >> 4));
  return t;
}();

struct EncoderTables {
  // Snap[v + 8]: the nearest 5- or 6-bit level of v (clamped to 0..255), as 8 bits; the offset
  // lets values from -8 to 263 be looked up.
  static constexpr int kSnapOffset = 8;
  static constexpr int kSnapSize = 272;
  std::array<std::uint8_t, kSnapSize> snap5;
  std::array<std::uint8_t, kSnapSize> snap6;
  // For each 8-bit value: the pair of levels (first, second) whose colour one third of the way
  // from first to second comes closest to it; a solid block takes its endpoints from here.
  std::array<std::array<std::uint8_t, 2>, 256> singleColor5;
  std::array<std::array<std::uint8_t, 2>, 256> singleColor6;
};

// The tables, built on first use.
const EncoderTables& GetEncoderTables();

}  // namespace ormel::dxt
