// The BLP header probe and decoder over arbitrary file images, at several mipmap indices,
// into a buffer sized from the header as the program sizes it (bounded), and into one that
// is too short. Exact decoding runs twice over buffers of two different fills: what it
// reports as decoded must not depend on what the buffer held.
// Dictionary: blp_header jpeg_markers
#include <cstdint>
#include <cstring>
#include <vector>

#include "blp.hpp"
#include "fuzz_buffer.hpp"
#include "ormel_errors.hpp"

namespace {

void DecodeInto(ormel::ConstBytes file, unsigned mipmap, std::size_t bytes) {
  const auto pixels = fuzz::OutputBuffer(bytes);
  std::uint16_t width = 0, height = 0;
  try {
    ormel::blp::Decode(file, mipmap, pixels, width, height);
  } catch (const ormel::Error&) {
  }
}

void DecodeExactTwice(ormel::ConstBytes file, unsigned mipmap, std::size_t bytes) {
  const auto pixels = fuzz::OutputBuffer(bytes);
  std::vector<std::uint8_t> first;
  for (const std::uint8_t fill : {0x00, 0xA5}) {
    std::memset(pixels.data(), fill, pixels.size());
    std::uint16_t width = 0, height = 0;
    try {
      if (!ormel::blp::Decode(file, mipmap, pixels, width, height, ormel::blp::Bounds::Exact))
        return;
    } catch (const ormel::Error&) {
      return;
    }
    const std::size_t level = std::size_t{width} * height * 4;
    if (level > pixels.size()) __builtin_trap();
    if (fill == 0x00) {
      first.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(level));
    } else if (first.size() != level || (level != 0 && std::memcmp(first.data(), pixels.data(), level) != 0)) {
      __builtin_trap();  // a byte of the level was left as the buffer held it
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ormel::ConstBytes file(data, size);
  TBLPHeader header{};
  try {
    if (!ormel::blp::GetHeader(file, header)) return 0;
  } catch (const ormel::Error&) {
    return 0;
  }
  const std::uint64_t bytes = std::uint64_t{header.Width} * header.Height * 4;
  if (bytes > fuzz::kMaxDecodedBytes) {
    DecodeInto(file, 0, 64);  // refused or bounded by the small buffer
    return 0;
  }
  for (unsigned mipmap : {0u, 1u, 2u, 5u, 200u})
    DecodeInto(file, mipmap, static_cast<std::size_t>(bytes));
  DecodeInto(file, 0, static_cast<std::size_t>(bytes / 3));
  for (unsigned mipmap : {0u, 1u}) DecodeExactTwice(file, mipmap, static_cast<std::size_t>(bytes));
  return 0;
}
