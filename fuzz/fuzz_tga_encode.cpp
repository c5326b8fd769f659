// True-colour and paletted TGA saves of small images whose header comes from the input; our
// own file always loads, and a true-colour save loads back to its pixels. Input: the 18-byte
// header, then pixel bytes, repeated to fill the image.
// Dictionary: tga_header
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ormel_errors.hpp"
#include "tga.hpp"

namespace {

void SaveAndLoad(ormel::ConstBytes input) {
  if (input.size() < 18) return;
  std::array<std::uint8_t, 18> header{};
  std::memcpy(header.data(), input.data(), 18);
  if (ormel::tga::InputBytes(header.data()) > (1u << 16)) return;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(ormel::tga::InputBytes(header.data())));
  const auto rest = input.subspan(18);
  for (std::size_t i = 0; i < pixels.size() && !rest.empty(); ++i) pixels[i] = rest[i % rest.size()];
  const auto original = header;
  ormel::Block block;
  try {
    block = ormel::tga::Encode(pixels, header);
  } catch (const ormel::Error&) {
    return;
  }
  if (!block) return;
  header[0] = 0;
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), block.data(), block.data() + block.size());
  std::vector<std::uint8_t> back(static_cast<std::size_t>(ormel::tga::OutputBytes(header.data())));
  ormel::tga::Decode(file, back);  // our own file never falls short
  const bool trueColour = original[2] == 2 || original[2] == 10;
  if (trueColour && back != pixels) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SaveAndLoad(ormel::ConstBytes(data, size));
  return 0;
}
