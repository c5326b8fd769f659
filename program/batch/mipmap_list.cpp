#include "mipmap_list.hpp"

namespace ondrel::batch {

std::vector<MipmapEntry> ListMipmaps(const std::array<std::uint32_t, 16>& offsets,
                                     const std::array<std::uint32_t, 16>& sizes,
                                     std::uint64_t fileSize, bool blp1, int expectedLevels) {
  std::vector<MipmapEntry> list;
  list.push_back({0, offsets[0], sizes[0], true});
  for (int i = 1; i < 16; ++i) {
    if (sizes[i] == 0) continue;
    if (blp1 && std::uint64_t{offsets[i]} + sizes[i] > fileSize) continue;
    const bool follows = std::uint64_t{offsets[i - 1]} + sizes[i - 1] == offsets[i];
    list.push_back({i, offsets[i], sizes[i], follows && i < expectedLevels});
  }
  return list;
}

}  // namespace ondrel::batch
