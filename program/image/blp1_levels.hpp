// What the entries of a BLP1 file's mipmap tables hold, as the byte tools see them. Writers
// align or pad their levels, store them in any order, and fill the entries beyond the last
// level they wrote with copies of it; only an exact repeat of the entry before is a copy.
// Qt-free, so the optimizer can be fuzzed on its own.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "blp1_header.hpp"

namespace ondrel {

enum class LevelEntry {
  Empty,    // offset or size is 0: no level
  Level,    // a level of its own, wholly inside the file
  Copy,     // repeats the entry before exactly (the encoder's copies of its last level)
  Outside,  // reaches past the end of the file
};

// The kinds of entries 0 .. count - 1 (count is clamped to 1..16); later ones are Empty.
std::array<LevelEntry, 16> ClassifyLevelEntries(std::span<const std::uint8_t, kBlp1HeaderSize> header,
                                                std::uint64_t fileSize, int count);

}  // namespace ondrel

namespace ondrel {

struct LevelSides {
  std::uint32_t width = 0, height = 0;
};

// The sides of a paletted or JPEG level as readers derive them from the ratio of the stored
// sizes of level 0 and this level: each halving takes the ratio down by the area's factor
// (4 while both sides halve, 2 once one side is 1), and stops when neither side can halve.
// sizeK must not be 0.
LevelSides DerivedLevelSides(std::uint32_t width0, std::uint32_t height0, std::uint32_t size0,
                             std::uint32_t sizeK);

}  // namespace ondrel
