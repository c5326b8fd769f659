// TGA run-length packets: a header byte h, then h + 1 raw pixels (h < 0x80) or one pixel
// repeated h - 0x7F times (h >= 0x80). Packets never hold more than 128 pixels.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "bytes.hpp"

namespace ormel::tga {

inline constexpr std::size_t kMaxPacketPixels = 128;

// Bytes a stream of `count` pixels can take at most: every packet costs one header byte and
// holds at least one pixel, so no stream exceeds count x (pixelSize + 1).
inline std::uint64_t RleWorstCase(std::uint64_t count, std::size_t pixelSize) {
  return count * (std::uint64_t{pixelSize} + 1);
}

// Writes the packets of one stream of `count` pixels of `pixelSize` bytes to `out`, which
// holds at least RleWorstCase(count, pixelSize) bytes. Returns the bytes written.
std::size_t EncodeRleStream(const std::uint8_t* pixels, std::size_t count, std::size_t pixelSize,
                            std::uint8_t* out);

// Reads packets from `packets` and calls emit(pointer to pixelSize bytes) once per pixel,
// never more than `count` times: a final packet that reaches past `count` is cut. Stops at
// the end of `packets`. Returns the number of pixels emitted.
template <typename Emit>
std::uint64_t DecodeRlePackets(ConstBytes packets, std::size_t pixelSize, std::uint64_t count,
                               Emit&& emit) {
  if (pixelSize == 0) return 0;
  const std::uint8_t* src = packets.data();
  const std::size_t size = packets.size();
  std::size_t pos = 0;
  std::uint64_t done = 0;
  while (done < count && pos < size) {
    const std::uint8_t header = src[pos++];
    const std::uint64_t wanted =
        std::min<std::uint64_t>((header & 0x7Fu) + 1u, count - done);
    if (header & 0x80u) {
      if (!FitsIn(size, pos, pixelSize)) break;
      const std::uint8_t* pixel = src + pos;
      pos += pixelSize;
      for (std::uint64_t i = 0; i < wanted; ++i) emit(pixel);
      done += wanted;
    } else {
      const std::uint64_t present = (size - pos) / pixelSize;
      const std::uint64_t n = std::min(wanted, present);
      for (std::uint64_t i = 0; i < n; ++i, pos += pixelSize) emit(src + pos);
      done += n;
      if (n < wanted) break;
    }
  }
  return done;
}

}  // namespace ormel::tga
