// Output buffers for the fuzz targets: exactly the requested size, so AddressSanitizer sees
// a write one byte past the end, and not zero-filled, since the decoders only write them.
// Decoded images are capped far below the library's own limits; zero-filling buffers of many
// MiB for every input made the targets a hundred times slower. The refusal of larger headers
// is covered by the library's tests and by each target's call with a small buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace fuzz {

inline constexpr std::uint64_t kMaxDecodedBytes = 1u << 20;

class Buffer {
 public:
  explicit Buffer(std::size_t size) : data_(new std::uint8_t[size]), size_(size) {}
  std::span<std::uint8_t> span() { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_;
};

}  // namespace fuzz
