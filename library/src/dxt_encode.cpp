// DXT encoding of whole levels.
// Writes: DXT1 (colour blocks only, no one-bit alpha) and DXT5 (alpha block, then colour
// block) from packed blue-green-red(-alpha) pixels of 3 or 4 bytes.
// Does not support: writing DXT3.
#include "dxt_encode.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <system_error>
#include <thread>

#include "dxt_block_encoder.hpp"
#include "dxt_dither_batch.hpp"

namespace ormel::dxt {
namespace {

// Levels below this many blocks are not worth starting threads for (a 512 x 512 level takes
// a few milliseconds on one core).
constexpr std::uint64_t kMinBlocksForThreads = 16384;
constexpr std::uint64_t kMinBlockRowsPerThread = 16;
constexpr unsigned kMaxThreads = 8;

struct Level {
  const std::uint8_t* pixels;
  std::uint32_t width, height;
  int bytesPerPixel;
  bool alphaBlock, dithering;
  std::uint64_t blocksPerRow, blockRows;
  std::size_t blockBytes;
};

// Copies block (bx, by) into planes; columns and rows past the image repeat its last column
// and row. Pixels of 3 bytes get alpha 0 (which the solid-block test sees).
void GatherBlock(const Level& level, std::uint64_t bx, std::uint64_t by, PixelBlock& block) {
  const std::uint64_t rowBytes = std::uint64_t{level.width} * level.bytesPerPixel;
  const bool whole = 4 * bx + 4 <= level.width && 4 * by + 4 <= level.height;
  if (whole && level.bytesPerPixel == 4) {  // the common case, without clamping
    const std::uint8_t* line = level.pixels + 4 * by * rowBytes + 16 * bx;
    for (int y = 0; y < 4; ++y, line += rowBytes) {
      for (int x = 0; x < 4; ++x) {
        const int p = 4 * y + x;
        block.b[p] = line[4 * x];
        block.g[p] = line[4 * x + 1];
        block.r[p] = line[4 * x + 2];
        block.a[p] = line[4 * x + 3];
      }
    }
    return;
  }
  for (int y = 0; y < 4; ++y) {
    const std::uint64_t row = std::min<std::uint64_t>(4 * by + y, level.height - 1);
    const std::uint8_t* line = level.pixels + row * rowBytes;
    for (int x = 0; x < 4; ++x) {
      const std::uint64_t column = std::min<std::uint64_t>(4 * bx + x, level.width - 1);
      const std::uint8_t* px = line + column * level.bytesPerPixel;
      const int p = 4 * y + x;
      block.b[p] = px[0];
      block.g[p] = px[1];
      block.r[p] = px[2];
      block.a[p] = level.bytesPerPixel == 4 ? px[3] : 0;
    }
  }
}

// Blocks bx..bx + count - 1 of block row by, each gathered, encoded and written at dst;
// `dithered` holds their fit copies when the level is dithered.
std::uint8_t* EncodeBlocks(const Level& level, const EncoderTables& tables,
                           const PixelBlock* blocks, const PixelBlock* dithered, int count,
                           std::uint8_t* dst) {
  for (int k = 0; k < count; ++k) {
    if (level.alphaBlock) {
      EncodeAlphaBlock(blocks[k], dst);
      dst += 8;
    }
    if (dithered != nullptr)
      EncodeDitheredColorBlock(tables, blocks[k], dithered[k], dst);
    else
      EncodeColorBlock(tables, blocks[k], false, dst);
    dst += 8;
  }
  return dst;
}

void EncodeBlockRows(const Level& level, std::uint64_t firstRow, std::uint64_t endRow,
                     std::uint8_t* out) {
  const EncoderTables& tables = GetEncoderTables();
  std::uint8_t* dst = out + firstRow * level.blocksPerRow * level.blockBytes;
  PixelBlock blocks[kDitherBatch];
  PixelBlock dithered[kDitherBatch];
  for (std::uint64_t by = firstRow; by < endRow; ++by) {
    std::uint64_t bx = 0;
    if (level.dithering) {
      // The dither of the fit runs on whole batches; the rest of the row goes one by one.
      for (; bx + kDitherBatch <= level.blocksPerRow; bx += kDitherBatch) {
        for (int k = 0; k < kDitherBatch; ++k) GatherBlock(level, bx + k, by, blocks[k]);
        DitherForFitBatch(tables, blocks, dithered);
        dst = EncodeBlocks(level, tables, blocks, dithered, kDitherBatch, dst);
      }
    }
    for (; bx < level.blocksPerRow; ++bx) {
      GatherBlock(level, bx, by, blocks[0]);
      const PixelBlock* fit = nullptr;
      if (level.dithering) {
        DitherForFit(tables, blocks[0], dithered[0]);
        fit = dithered;
      }
      dst = EncodeBlocks(level, tables, blocks, fit, 1, dst);
    }
  }
}

unsigned DefaultThreadCount(std::uint64_t blocks) {
  if (blocks < kMinBlocksForThreads) return 1;
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

}  // namespace

void EncodeDxtImageOnThreads(ConstBytes pixels, std::uint32_t width, std::uint32_t height,
                             int bytesPerPixel, bool alphaBlock, bool dithering, Bytes out,
                             unsigned threads) {
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

  const Level level{pixels.data(),
                    width,
                    height,
                    bytesPerPixel,
                    alphaBlock,
                    dithering,
                    (std::uint64_t{width} + 3) / 4,
                    (std::uint64_t{height} + 3) / 4,
                    BlockBytes(format)};
  const std::uint64_t parts = std::clamp<std::uint64_t>(
      std::min<std::uint64_t>(threads, level.blockRows / kMinBlockRowsPerThread), 1, kMaxThreads);
  if (parts == 1) return EncodeBlockRows(level, 0, level.blockRows, out.data());

  // Contiguous bands of block rows; the calling thread takes the first band.
  const auto bandStart = [&](std::uint64_t i) { return level.blockRows * i / parts; };
  std::uint64_t inlineFrom = parts;  // bands from here on run here if a thread cannot start
  {
    std::array<std::jthread, kMaxThreads> workers;
    for (std::uint64_t i = 1; i < parts; ++i) {
      try {
        workers[i] = std::jthread(
            [&, i] { EncodeBlockRows(level, bandStart(i), bandStart(i + 1), out.data()); });
      } catch (const std::system_error&) {
        inlineFrom = i;
        break;
      }
    }
    EncodeBlockRows(level, 0, bandStart(1), out.data());
    if (inlineFrom < parts)
      EncodeBlockRows(level, bandStart(inlineFrom), level.blockRows, out.data());
  }  // joins the workers
}

void EncodeDxtImage(ConstBytes pixels, std::uint32_t width, std::uint32_t height,
                    int bytesPerPixel, bool alphaBlock, bool dithering, Bytes out) {
  const std::uint64_t blocks = ((std::uint64_t{width} + 3) / 4) * ((std::uint64_t{height} + 3) / 4);
  EncodeDxtImageOnThreads(pixels, width, height, bytesPerPixel, alphaBlock, dithering, out,
                          DefaultThreadCount(blocks));
}

}  // namespace ormel::dxt
