// DDS saves of small images whose 128-byte head comes from the input, then our own file
// loaded back. Input: the head, then pixel bytes, repeated to fill the image.
// Dictionary: dds_header
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dds.hpp"
#include "ormel_errors.hpp"

namespace {

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
  SaveAndLoad(ormel::ConstBytes(data, size));
  return 0;
}
