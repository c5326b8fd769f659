// The BLP1 byte rewrites on arbitrary file images: the JPEG header optimizer and the palette
// trim either refuse the file or return a new image, and never read outside the file, the
// segment list or the level streams. What they write they must read back unchanged.
// Dictionary: blp_header jpeg_markers
#include <cstdint>
#include <span>

#include "blp1_optimize.hpp"
#include "blp1_palette_trim.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  try {
    const auto once = ondrel::OptimizeJpegBlpImage(file);
    ondrel::OptimizeJpegBlpImage(once);
  } catch (const ondrel::OptimizeError&) {
  }
  try {
    const auto once = ondrel::TrimPalettedBlpImage(file);
    // A trimmed file has nothing left to trim.
    if (ondrel::TrimPalettedBlpImage(once) != once) __builtin_trap();
  } catch (const ondrel::OptimizeError&) {
  }
  return 0;
}
