// JPEG decoding in both modes through the core, with a bounded output buffer.
#include <cstdint>
#include <vector>

#include "jpeg_codec.hpp"
#include "ormel_errors.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ormel::ConstBytes input(data, size);
  try {
    const auto info = ormel::jpeg::ReadInfo(input);
    // Keep the fuzzer's memory small; the decoder's own limits are tested elsewhere.
    const std::uint64_t pixels = std::uint64_t{info.width} * info.height;
    if (pixels > (1u << 20)) return 0;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(pixels) * 4);
    ormel::jpeg::Decode(input, ormel::jpeg::Mode::ThreeChannel, out);
    // A buffer one row short must also be safe.
    std::vector<std::uint8_t> shorter(out.size() / 2);
    ormel::jpeg::Decode(input, ormel::jpeg::Mode::FourChannel, shorter);
  } catch (const ormel::Error&) {
  }
  return 0;
}
