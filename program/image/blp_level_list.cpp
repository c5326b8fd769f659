#include "blp_level_list.hpp"

namespace ondrel {

std::vector<ListedLevel> ListStoredLevels(const std::array<std::uint32_t, 16>& offsets,
                                          const std::array<std::uint32_t, 16>& sizes,
                                          std::uint64_t fileSize, bool blp1, int expectedLevels) {
  std::vector<ListedLevel> list{{0, true}};
  for (int i = 1; i < 16; ++i) {
    if (sizes[i] == 0) continue;
    if (blp1 && std::uint64_t{offsets[i]} + sizes[i] > fileSize) continue;
    const bool follows = std::uint64_t{offsets[i - 1]} + sizes[i - 1] == offsets[i];
    list.push_back({i, follows && i < expectedLevels});
  }
  return list;
}

}  // namespace ondrel
