// The mipmap list of a BLP file as the information panel shows it: level 0 always, then each
// level 1..15 with a stored size (for BLP1 also within the file); a level is regular when it
// starts where its predecessor ends and lies within the full chain of the picture's size.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image_info.hpp"

namespace ondrel::batch {

std::vector<MipmapEntry> ListMipmaps(const std::array<std::uint32_t, 16>& offsets,
                                     const std::array<std::uint32_t, 16>& sizes,
                                     std::uint64_t fileSize, bool blp1, int expectedLevels);

}  // namespace ondrel::batch
