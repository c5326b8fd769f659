// Views of 32-bit (blue, green, red, alpha) pixel rows with an explicit row stride, so the
// same kernels serve packed library buffers and the program's padded bitmap rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ormel {

struct ImageView {
  const std::uint8_t* pixels = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t stride = 0;  // bytes from one row to the next
  const std::uint8_t* row(std::uint32_t y) const { return pixels + y * stride; }
};

struct MutableImageView {
  std::uint8_t* pixels = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t stride = 0;
  std::uint8_t* row(std::uint32_t y) const { return pixels + y * stride; }
  operator ImageView() const { return {pixels, width, height, stride}; }
};

}  // namespace ormel
