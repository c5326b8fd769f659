#include "dxt_tables.hpp"

#include <algorithm>
#include <cstdlib>

namespace ormel::dxt {
namespace {

// For every value, the first pair (f <= s, scanned with s outer and f inner) whose
// one-third colour has the smallest error.
template <std::size_t Levels>
std::array<std::array<std::uint8_t, 2>, 256> BuildSingleColor(
    const std::array<std::uint8_t, Levels>& widen) {
  std::array<std::array<std::uint8_t, 2>, 256> table{};
  for (int i = 0; i < 256; ++i) {
    int best = 256;
    for (int s = 0; s < static_cast<int>(Levels); ++s) {
      for (int f = 0; f <= s; ++f) {
        const int color = widen[f] + MulDiv255(widen[s] - widen[f], 85);
        const int error = std::abs(color - i);
        if (error < best) {
          table[i] = {static_cast<std::uint8_t>(f), static_cast<std::uint8_t>(s)};
          best = error;
        }
      }
    }
  }
  return table;
}

EncoderTables BuildDxtTables() {
  EncoderTables t{};
  for (int i = 0; i < EncoderTables::kSnapSize; ++i) {
    const int v = std::clamp(i - EncoderTables::kSnapOffset, 0, 255);
    t.snap5[i] = kWiden5[MulDiv255(v, 31)];
    t.snap6[i] = kWiden6[MulDiv255(v, 63)];
  }
  t.singleColor5 = BuildSingleColor(kWiden5);
  t.singleColor6 = BuildSingleColor(kWiden6);
  return t;
}

}  // namespace

const EncoderTables& GetEncoderTables() {
  static const EncoderTables tables = BuildDxtTables();
  return tables;
}

}  // namespace ormel::dxt
