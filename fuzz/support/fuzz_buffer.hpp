// Output buffers for the fuzz targets. Decoded images are capped far below the library's own
// limits: zero-filling buffers of many MiB for every input made the targets a hundred times
// slower. The refusal of larger headers is covered by the library's tests and by each
// target's call with a small buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace fuzz {

inline constexpr std::size_t kMaxDecodedBytes = 1u << 20;

// The last `size` bytes (at most kMaxDecodedBytes) of one buffer that lives as long as the
// process: a write past the end of the span lands in AddressSanitizer's redzone after the
// buffer, and no input pays for allocating and faulting in fresh pages. Not zero-filled; the
// decoders only write it. One span is in use at a time.
inline std::span<std::uint8_t> OutputBuffer(std::size_t size) {
  static const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kMaxDecodedBytes]);
  if (size > kMaxDecodedBytes) __builtin_trap();  // a target's own cap is wrong
  return {buffer.get() + (kMaxDecodedBytes - size), size};
}

}  // namespace fuzz
