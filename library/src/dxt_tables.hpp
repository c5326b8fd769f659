// Lookup tables of the DXT encoder, built once and never changed afterwards, so encoding is
// safe from several threads at once.
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

struct EncoderTables {
  // A 5- or 6-bit level widened to 8 bits with bit replication.
  std::array<std::uint8_t, 32> widen5;
  std::array<std::uint8_t, 64> widen6;
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
