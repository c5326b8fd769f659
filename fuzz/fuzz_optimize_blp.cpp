// The BLP1 JPEG header optimizer on arbitrary file images: it either refuses the file or
// returns a new image, and never reads outside the segment list or the level streams.
#include <cstdint>
#include <span>

#include "blp1_optimize.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto once = ondrel::OptimizeJpegBlpImage(std::span<const std::uint8_t>(data, size));
    // What it writes it must read back.
    ondrel::OptimizeJpegBlpImage(once);
  } catch (const ondrel::OptimizeError&) {
  }
  return 0;
}
