// JPEG decoding in both modes through the core, with a bounded output buffer.
// Dictionary: jpeg_markers
#include <cstdint>

#include "jpeg_codec.hpp"
#include "fuzz_buffer.hpp"
#include "ormel_errors.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ormel::ConstBytes input(data, size);
  try {
    const auto info = ormel::jpeg::ReadInfo(input);
    const std::uint64_t bytes = std::uint64_t{info.width} * info.height * 4;
    if (bytes > fuzz::kMaxDecodedBytes) return 0;
    const auto out = fuzz::OutputBuffer(static_cast<std::size_t>(bytes));
    ormel::jpeg::Decode(input, ormel::jpeg::Mode::ThreeChannel, out);
    // A buffer one row short must also be safe.
    const auto shorter = fuzz::OutputBuffer(out.size() / 2);
    ormel::jpeg::Decode(input, ormel::jpeg::Mode::FourChannel, shorter);
  } catch (const ormel::Error&) {
  }
  return 0;
}
