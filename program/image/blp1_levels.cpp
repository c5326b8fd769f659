#include "blp1_levels.hpp"

#include <algorithm>

namespace ondrel {

std::array<LevelEntry, 16> ClassifyLevelEntries(std::span<const std::uint8_t, kBlp1HeaderSize> header,
                                                std::uint64_t fileSize, int count) {
  std::array<LevelEntry, 16> kinds;
  kinds.fill(LevelEntry::Empty);
  count = std::clamp(count, 1, 16);
  for (int i = 0; i < count; ++i) {
    const std::uint64_t offset = MipmapOffset(header, i), size = MipmapSize(header, i);
    if (offset == 0 || size == 0)
      kinds[i] = LevelEntry::Empty;
    else if (offset + size > fileSize)  // 64-bit sum: no wrap-around
      kinds[i] = LevelEntry::Outside;
    else if (i > 0 && kinds[i - 1] != LevelEntry::Outside && offset == MipmapOffset(header, i - 1) &&
             size == MipmapSize(header, i - 1))
      kinds[i] = LevelEntry::Copy;
    else
      kinds[i] = LevelEntry::Level;
  }
  return kinds;
}

}  // namespace ondrel

namespace ondrel {

LevelSides DerivedLevelSides(std::uint32_t width0, std::uint32_t height0, std::uint32_t size0,
                             std::uint32_t sizeK) {
  LevelSides s{width0, height0};
  std::uint32_t ratio = size0 / sizeK;
  while (ratio > 1) {
    const bool halveWidth = s.width > 1, halveHeight = s.height > 1;
    if (!halveWidth && !halveHeight) break;
    if (halveWidth) s.width /= 2;
    if (halveHeight) s.height /= 2;
    ratio /= (halveWidth && halveHeight) ? 4 : 2;
  }
  return s;
}

}  // namespace ondrel
