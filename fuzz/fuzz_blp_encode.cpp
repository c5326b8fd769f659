// The BLP encoder over arbitrary save records, then our decoder over every level it wrote.
// Input: the 168-byte record (width and height folded to 1..64 so runs stay short), then
// pixel bytes, repeated to fill the image.
// Dictionary: blp_header
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "blp.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(TBLPHeader) + 1) return 0;
  TBLPHeader header;
  std::memcpy(&header, data, sizeof header);
  header.Width = 1 + header.Width % 64;
  header.Height = 1 + header.Height % 64;
  // Some records ask for a short buffer, which must be refused, not read past.
  const bool shortBuffer = (header.Reserved[0] & 0x80) != 0;
  const std::size_t full = std::size_t{header.Width} * header.Height * 4;
  std::vector<std::uint8_t> pixels(shortBuffer ? full - 1 : full);
  const std::uint8_t* fill = data + sizeof header;
  const std::size_t fillSize = size - sizeof header;
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = fill[i % fillSize];

  ormel::Block file;
  try {
    file = ormel::blp::Encode(pixels, header);
  } catch (const ormel::Error&) {
    return 0;
  }
  if (!file) return 0;
  // Levels 0..L are ours; entries above L keep the record's values, which may be anything.
  const unsigned longest = std::bit_width(std::max(header.Width, header.Height)) - 1;
  std::vector<std::uint8_t> decoded(full);
  for (unsigned level = 0; level <= longest; ++level) {
    std::uint16_t w = 0, h = 0;
    try {
      ormel::blp::Decode(file.bytes(), level, decoded, w, h);
    } catch (const ormel::Error&) {
      __builtin_trap();  // every file we write must decode
    }
  }
  return 0;
}
