// The reference lines: every stored level of each file as the codec library decodes it (a
// level-0-sized buffer, as the viewer calls it). "--largest" prints level 0 only. A file the
// library refuses prints "<name> refused".
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "blp_texture.hpp"
#include "pixel_sum.hpp"

using ondrel::sums::PixelSum;

namespace {

std::vector<std::uint8_t> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PrintFile(const char* path, bool largestOnly) {
  const std::string name = ondrel::sums::BaseName(path);
  const std::vector<std::uint8_t> file = ReadFile(path);
  try {
    const auto texture = ondrel::texture::BlpTexture::Open(file);
    if (!texture) throw ondrel::texture::TextureError("no BLP signature");
    const auto& header = texture->header();
    const int levels = largestOnly ? 1 : texture->levelCount();
    for (int level = 0; level < levels; ++level) {
      std::vector<std::uint8_t> bgra(std::size_t{header.Width} * header.Height * 4);
      std::uint16_t w = 0, h = 0;
      BLP_LoadFromMemoryEx(file.data(), file.size(), std::uint16_t(level), bgra.data(),
                           bgra.size(), &w, &h);
      PixelSum sum;
      const bool alpha = texture->hasAlpha();
      for (std::size_t i = 0; i < std::size_t{w} * h * 4; i += 4)
        sum.add(bgra[i + 2], bgra[i + 1], bgra[i], alpha ? bgra[i + 3] : 0xFF);
      ondrel::sums::PrintLine(name, level, w, h, alpha, sum);
    }
  } catch (const std::exception&) {
    std::printf("%s refused\n", name.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool largestOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--largest")
      largestOnly = true;
    else
      PrintFile(argv[i], largestOnly);
  }
  return 0;
}
