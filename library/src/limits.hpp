// Limits checked before any large allocation, so a hostile header cannot ask for gigabytes.
#pragma once

#include <cstdint>

namespace ormel {

// The largest side and pixel count the codecs accept for an image they allocate for.
inline constexpr std::uint32_t kMaxSide = 65535;
inline constexpr std::uint64_t kMaxPixels = 16384ull * 16384ull;

}  // namespace ormel
