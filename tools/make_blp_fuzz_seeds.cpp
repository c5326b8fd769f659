// Writes the seed corpus of fuzz_blp: one small file for every BLP decoding path, the same
// samples the truncation sweep uses. Usage: make_blp_fuzz_seeds <output folder>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "blp_samples.hpp"
#include "file_size_signal.hpp"

int main(int argc, char** argv) {
  ondrel::IgnoreFileSizeSignal();
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const auto& sample : ondrel_test::BlpSamples()) {
    std::ofstream out(folder / (sample.name + ".blp"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(sample.file.data()),
              static_cast<std::streamsize>(sample.file.size()));
    out.close();  // a failed flush is a failed write
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", sample.name.c_str());
      return 1;
    }
  }
  return 0;
}
