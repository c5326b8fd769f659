// The palette trim for paletted BLP1 files, on a file image in memory, without decoding or
// re-encoding any level.
// Reads: a paletted BLP1 file image with no alpha, an 8-bit, or a packed 1- or 4-bit alpha
//   plane, its levels stored anywhere in the file, in any order, with gaps.
// Writes: the header with its other fields as they were, only the palette entries some level
//   uses (in their old order), then every stored level back to back in level order: its
//   index plane remapped through the shorter palette, every other byte (alpha planes, bytes
//   past the planes) as it was. Sizes stay, so every level keeps its sides and decodes to the
//   same pixels; empty entries stay empty, copies stay copies, a comment in the unused entries
//   stays.
// Does not support: files whose pixels depend on bytes outside their levels (an 8-bit alpha
//   plane shorter than the index plane, an index naming a palette entry past the end of the
//   file), a level entry reaching past the end of the file, an empty level 0, a side of 0 or
//   above 65535; those are refused.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image_errors.hpp"

namespace ondrel {

// Returns the trimmed file image. Throws OptimizeError on a file it cannot trim safely.
std::vector<std::uint8_t> TrimPalettedBlpImage(std::span<const std::uint8_t> source);

}  // namespace ondrel
