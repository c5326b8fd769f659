// One line per decoded image, the same from every reader so the lines can be compared:
// "<file name> <level> <width>x<height> <alpha|opaque> <FNV-1a 64 of the R, G, B, A bytes>".
// Opaque images are summed with alpha 255, whatever the reader keeps in that byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ondrel::sums {

class PixelSum {
 public:
  void add(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    for (std::uint8_t byte : {r, g, b, a}) {
      hash_ ^= byte;
      hash_ *= 0x100000001b3ull;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

inline void PrintLine(const std::string& name, int level, int width, int height, bool alpha,
                      const PixelSum& sum) {
  std::printf("%s %d %dx%d %s %016llx\n", name.c_str(), level, width, height,
              alpha ? "alpha" : "opaque", static_cast<unsigned long long>(sum.value()));
}

inline std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace ondrel::sums
