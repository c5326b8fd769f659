// TGA loading into bounded buffers, a full one and a short one. Saves are fuzz_tga_encode's.
// Dictionary: tga_header
#include <algorithm>
#include <cstdint>

#include "fuzz_buffer.hpp"
#include "ormel_errors.hpp"
#include "tga.hpp"

namespace {

void Load(ormel::ConstBytes input) {
  if (input.size() < 18) return;
  // A short buffer must be as safe as a full one.
  const auto full = std::min<std::uint64_t>(ormel::tga::OutputBytes(input.data()), fuzz::kMaxDecodedBytes);
  const auto out = fuzz::OutputBuffer(static_cast<std::size_t>(full));
  try {
    ormel::tga::Decode(input, out);
  } catch (const ormel::Error&) {
  }
  const auto shorter = fuzz::OutputBuffer(out.size() / 3);
  try {
    ormel::tga::Decode(input, shorter);
  } catch (const ormel::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ormel::ConstBytes input(data, size);
  Load(input);
  return 0;
}
