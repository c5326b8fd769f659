// Which entries of a BLP file's mipmap tables the program lists as levels, shared by the
// information panel and ondrel-convert --info: level 0 always, then each level 1..15 with a
// stored size (for BLP1 also ending inside the file). A listed level is regular when it starts
// where the entry before it ends and lies within the full chain of the picture's size.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ondrel {

struct ListedLevel {
  int index = 0;
  bool regular = true;
};

// expectedLevels: the full chain's length (MipmapCountFor of level 0's size).
std::vector<ListedLevel> ListStoredLevels(const std::array<std::uint32_t, 16>& offsets,
                                          const std::array<std::uint32_t, 16>& sizes,
                                          std::uint64_t fileSize, bool blp1, int expectedLevels);

}  // namespace ondrel
