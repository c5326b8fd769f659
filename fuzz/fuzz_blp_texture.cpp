// The decode path of the BLP image plugin and the thumbnailer: the texture reader's header
// checks, level count and level sizes, then every level through the library's exports.
// The library's decoder itself is fuzzed by fuzz_blp; this adds the reader's own logic.
#include <cstdint>

#include "blp_texture.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ondrel::texture::BlpTexture;
  try {
    const auto texture = BlpTexture::Open({data, size});
    if (!texture) return 0;
    for (int level = 0; level < texture->levelCount(); ++level) {
      const auto expected = texture->levelSize(level);
      try {
        const auto pixels = texture->decode(level);
        // A level never decodes larger than its buffer, and never larger than level 0.
        if (pixels.bgra.size() != std::size_t{pixels.size.width} * pixels.size.height * 4)
          __builtin_trap();
        if (!texture->isJpeg() && !(pixels.size == expected)) __builtin_trap();
      } catch (const ondrel::texture::TextureError&) {
      }
    }
  } catch (const ondrel::texture::TextureError&) {
  }
  return 0;
}
