// DDS loading into bounded buffers, and saves of small images whose head comes from the input.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dds.hpp"
#include "fuzz_buffer.hpp"
#include "ormel_errors.hpp"

namespace {

void Load(ormel::ConstBytes input) {
  std::uint64_t capacity = 1u << 12;
  if (input.size() >= 20)
    capacity = std::uint64_t{ormel::LoadU32LE(input.data() + 12)} *
               ormel::LoadU32LE(input.data() + 16) * 4;
  fuzz::Buffer out(static_cast<std::size_t>(std::min<std::uint64_t>(capacity, fuzz::kMaxDecodedBytes)));
  std::uint16_t w = 0, h = 0;
  try {
    ormel::dds::Decode(input, out.span(), w, h);
  } catch (const ormel::Error&) {
  }
  fuzz::Buffer shorter(out.size() / 3);
  try {
    ormel::dds::Decode(input, shorter.span(), w, h);
  } catch (const ormel::Error&) {
  }
}

void SaveAndLoad(ormel::ConstBytes input) {
  if (input.size() < 128) return;
  std::array<std::uint8_t, 128> head{};
  std::memcpy(head.data(), input.data(), 128);
  if (ormel::dds::InputBytes(head.data()) > (1u << 14)) return;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(ormel::dds::InputBytes(head.data())));
  const auto rest = input.subspan(128);
  for (std::size_t i = 0; i < pixels.size() && !rest.empty(); ++i) pixels[i] = rest[i % rest.size()];
  ormel::Block block;
  try {
    block = ormel::dds::Encode(pixels, head);
  } catch (const ormel::Error&) {
    return;
  }
  if (!block) return;
  std::vector<std::uint8_t> out(pixels.size() / 3 * 4 + 4);
  std::uint16_t w = 0, h = 0;
  ormel::dds::Decode(block.bytes(), out, w, h);  // our own file always loads
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ormel::ConstBytes input(data, size);
  Load(input);
  SaveAndLoad(input);
  return 0;
}
