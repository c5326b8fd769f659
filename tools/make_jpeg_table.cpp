// Writes "jpeg.dat": 100 records of 64 bytes, record q-1 holding the 8-bit luminance
// quantization table, in DQT (zig-zag) order, that our JPEG encoder writes at quality q.
// The tables are read back from real encoder output, so the file always matches the encoder.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "file_size_signal.hpp"
#include "jpeg_codec.hpp"

namespace {

// Finds the first DQT segment and returns its first table's 64 values.
bool FirstTable(ormel::ConstBytes stream, std::uint8_t out[64]) {
  std::size_t pos = 2;  // after SOI
  while (pos + 4 <= stream.size()) {
    if (stream[pos] != 0xFF) return false;
    const std::uint8_t marker = stream[pos + 1];
    const std::size_t length = ormel::LoadU16BE(stream.data() + pos + 2);
    if (marker == 0xDB) {
      if (length < 67 || pos + 2 + length > stream.size()) return false;
      if ((stream[pos + 4] >> 4) != 0) return false;  // 8-bit table expected
      for (int i = 0; i < 64; ++i) out[i] = stream[pos + 5 + i];
      return true;
    }
    pos += 2 + length;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  ondrel::IgnoreFileSizeSignal();
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_jpeg_table <output file>\n");
    return 2;
  }
  std::vector<std::uint8_t> table(100 * 64);
  const std::vector<std::uint8_t> pixels(8 * 8 * 3, 128);
  for (int q = 1; q <= 100; ++q) {
    const auto stream =
        ormel::jpeg::Encode(pixels, 8, 8, q, false, ormel::jpeg::Mode::ThreeChannel);
    if (!FirstTable(stream.bytes(), &table[static_cast<std::size_t>(q - 1) * 64])) {
      std::fprintf(stderr, "make_jpeg_table: no quantization table at quality %d\n", q);
      return 1;
    }
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(table.data(), 1, table.size(), f) != table.size() ||
      std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
