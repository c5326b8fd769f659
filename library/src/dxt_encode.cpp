// DXT encoding of whole levels.
// Writes: DXT1 (colour blocks only, no one-bit alpha) and DXT5 (alpha block, then colour
// block) from packed blue-green-red(-alpha) pixels of 3 or 4 bytes.
// Does not support: writing DXT3.
#include <algorithm>
#include <string>

#include "dxt.hpp"
#include "dxt_block_encoder.hpp"

namespace ormel::dxt {
namespace {

// Copies block (bx, by) into planes; columns and rows past the image repeat its last column
// and row. Pixels of 3 bytes get alpha 0 (which the solid-block test sees).
void GatherBlock(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                 int bytesPerPixel, std::uint64_t bx, std::uint64_t by, PixelBlock& block) {
  const std::uint64_t rowBytes = std::uint64_t{width} * bytesPerPixel;
  for (int y = 0; y < 4; ++y) {
    const std::uint64_t row = std::min<std::uint64_t>(4 * by + y, height - 1);
    const std::uint8_t* line = pixels + row * rowBytes;
    for (int x = 0; x < 4; ++x) {
      const std::uint64_t column = std::min<std::uint64_t>(4 * bx + x, width - 1);
      const std::uint8_t* px = line + column * bytesPerPixel;
      const int p = 4 * y + x;
      block.b[p] = px[0];
      block.g[p] = px[1];
      block.r[p] = px[2];
      block.a[p] = bytesPerPixel == 4 ? px[3] : 0;
    }
  }
}

}  // namespace

void EncodeDxtImage(ConstBytes pixels, std::uint32_t width, std::uint32_t height,
                    int bytesPerPixel, bool alphaBlock, bool dithering, Bytes out) {
  if (bytesPerPixel != 3 && bytesPerPixel != 4)
    throw InvalidData("ormel: DXT encoder takes 3 or 4 bytes per pixel, not " +
                      std::to_string(bytesPerPixel));
  const Format format = alphaBlock ? Format::Dxt5 : Format::Dxt1;
  const std::uint64_t inputBytes = std::uint64_t{width} * height * bytesPerPixel;
  if (pixels.size() < inputBytes)
    throw InvalidData("ormel: DXT encoder input holds fewer pixels than the level");
  if (out.size() < LevelBytes(format, width, height))
    throw InvalidData("ormel: DXT encoder output is smaller than the level");
  if (width == 0 || height == 0) return;

  const EncoderTables& tables = GetEncoderTables();
  const std::uint64_t blocksPerRow = (std::uint64_t{width} + 3) / 4;
  const std::uint64_t blockRows = (std::uint64_t{height} + 3) / 4;
  std::uint8_t* dst = out.data();
  PixelBlock block;
  for (std::uint64_t by = 0; by < blockRows; ++by) {
    for (std::uint64_t bx = 0; bx < blocksPerRow; ++bx) {
      GatherBlock(pixels.data(), width, height, bytesPerPixel, bx, by, block);
      if (alphaBlock) {
        EncodeAlphaBlock(block, dst);
        dst += 8;
      }
      EncodeColorBlock(tables, block, dithering, dst);
      dst += 8;
    }
  }
}

}  // namespace ormel::dxt
