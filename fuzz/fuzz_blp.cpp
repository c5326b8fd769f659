// The BLP header probe and decoder over arbitrary file images, at several mipmap indices,
// into a buffer sized from the header as the program sizes it (bounded), and into one that
// is too short.
#include <cstdint>

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
  return 0;
}
