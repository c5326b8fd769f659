// The JPEG header optimizer for BLP1 files with JPEG content, on a file image in memory.
// Reads: a BLP1 JPEG file image (any arrangement, with gaps, COM and APP0 segments).
// Writes: the same levels with the segments all levels share stored once in the shared JPEG
//   header, gaps, COM and APP0 segments removed; every level decodes to the same pixels.
// Does not support: files whose levels do not share their table segments byte for byte, or
//   whose first stream has no frame header before its first scan; those are refused.
// Every read is checked against the segment list and the level streams.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image_errors.hpp"

namespace ondrel {

// Returns the optimized file image. Throws OptimizeError on a file it cannot optimize safely.
std::vector<std::uint8_t> OptimizeJpegBlpImage(std::span<const std::uint8_t> source);

}  // namespace ondrel
