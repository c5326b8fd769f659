// Little- and big-endian field access over byte spans. The checked readers throw InvalidData
// naming the field, so a short file never reads outside its span.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "ormel_errors.hpp"

namespace ormel {

using ConstBytes = std::span<const std::uint8_t>;
using Bytes = std::span<std::uint8_t>;

inline std::uint16_t LoadU16LE(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32LE(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint16_t LoadU16BE(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline void StoreU16LE(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU32LE(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// True when [offset, offset + length) lies inside a span of the given size, without overflow.
inline bool FitsIn(std::size_t size, std::uint64_t offset, std::uint64_t length) {
  return offset <= size && length <= size - offset;
}

inline void RequireBytes(ConstBytes data, std::uint64_t offset, std::uint64_t length,
                         const char* what) {
  if (!FitsIn(data.size(), offset, length))
    throw InvalidData(std::string("ormel: ") + what + " lies outside the file image");
}

inline std::uint32_t ReadU32LE(ConstBytes data, std::size_t offset, const char* what) {
  RequireBytes(data, offset, 4, what);
  return LoadU32LE(data.data() + offset);
}
inline std::uint16_t ReadU16LE(ConstBytes data, std::size_t offset, const char* what) {
  RequireBytes(data, offset, 2, what);
  return LoadU16LE(data.data() + offset);
}

}  // namespace ormel
