// DDS loading into bounded buffers, a full one and a short one. Saves are fuzz_dds_encode's.
// Dictionary: dds_header dxt_blocks
#include <algorithm>
#include <cstdint>

#include "dds.hpp"
#include "fuzz_buffer.hpp"
#include "ormel_errors.hpp"

namespace {

void Load(ormel::ConstBytes input) {
  std::uint64_t capacity = 1u << 12;
  if (input.size() >= 20)
    capacity = std::uint64_t{ormel::LoadU32LE(input.data() + 12)} *
               ormel::LoadU32LE(input.data() + 16) * 4;
  const auto out = fuzz::OutputBuffer(static_cast<std::size_t>(std::min<std::uint64_t>(capacity, fuzz::kMaxDecodedBytes)));
  std::uint16_t w = 0, h = 0;
  try {
    ormel::dds::Decode(input, out, w, h);
  } catch (const ormel::Error&) {
  }
  const auto shorter = fuzz::OutputBuffer(out.size() / 3);
  try {
    ormel::dds::Decode(input, shorter, w, h);
  } catch (const ormel::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ormel::ConstBytes input(data, size);
  Load(input);
  return 0;
}
