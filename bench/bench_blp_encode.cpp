// Saving a 2048 x 2048 texture with its whole mipmap chain: BLP2 DXT5 and BLP1 merged JPEG,
// and how each save splits into resampling (the Lanczos chain) and encoding (the levels of a
// ready chain). stb_dxt encodes the same DXT5 chain as a peer, in the same run. The block
// encoder may use several threads, so times are wall clock and CPU is the whole process's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "blp.hpp"
#include "dxt.hpp"
#include "jpeg_codec.hpp"
#include "resample.hpp"
#include "synthetic.hpp"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_DXT_IMPLEMENTATION
#include <stb_dxt.h>
#pragma GCC diagnostic pop

namespace {

using Pixels = std::vector<std::uint8_t>;
constexpr std::uint32_t kSide = 2048;
constexpr int kJpegQuality = 90;

const Pixels& Source() {
  static const Pixels pixels = ondrel_test::PhotoLike(kSide, kSide, 4, true);
  return pixels;
}

struct Level {
  std::uint32_t width, height;
  Pixels pixels;
};

// The chain the encoders make: halving with a floor of 1 (JPEG) or 4 (DXT), by Lanczos.
std::vector<Level> MakeChain(std::uint32_t floor) {
  std::vector<Level> chain{{kSide, kSide, Source()}};
  while (chain.back().width > floor || chain.back().height > floor) {
    const Level& prev = chain.back();
    Level next{std::max(floor, prev.width / 2), std::max(floor, prev.height / 2), {}};
    next.pixels.resize(std::size_t{next.width} * next.height * 4);
    ormel::ScaleBitmap({prev.pixels.data(), prev.width, prev.height, std::size_t{prev.width} * 4},
                       {next.pixels.data(), next.width, next.height, std::size_t{next.width} * 4},
                       true);
    chain.push_back(std::move(next));
  }
  return chain;
}

const std::vector<Level>& DxtChain() {
  static const std::vector<Level> chain = MakeChain(4);
  return chain;
}
const std::vector<Level>& JpegChain() {
  static const std::vector<Level> chain = MakeChain(1);
  return chain;
}

TBLPHeader Record(bool jpeg) {
  TBLPHeader r{};
  std::memcpy(r.Signature, jpeg ? "BLP1" : "BLP2", 4);
  r.Compression = jpeg ? 0 : 1;
  r.Width = kSide;
  r.Height = kSide;
  if (jpeg) {
    r.AlphaBits = 8;
    r.PictureType = 4;
    r.ColorsOrQuality = kJpegQuality;
    r.FlagA = 1;  // merged headers
  } else {
    r.Encoding = 2;
    r.AlphaDepth = 8;
    r.AlphaEncoding = 7;
  }
  r.HasMipmaps = 1;
  r.MipmapsMinus1 = 15;
  return r;
}

void SaveBlp(benchmark::State& state, bool jpeg) {
  const Pixels& px = Source();
  std::size_t bytes = 0;
  for (auto _ : state) {
    TBLPHeader r = Record(jpeg);
    const ormel::Block file = ormel::blp::Encode(px, r);
    bytes = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["file_KiB"] = static_cast<double>(bytes) / 1024;
}

void BM_SaveBlp2Dxt5AllMipmaps(benchmark::State& state) { SaveBlp(state, false); }
void BM_SaveBlp1MergedJpegAllMipmaps(benchmark::State& state) { SaveBlp(state, true); }

// The resampling share: the Lanczos chain alone, made as the encoders make it (level 0 read in
// place, each level from the one before). The DXT chain stops at 4 x 4, two levels earlier.
std::size_t ResampleChain(std::uint32_t floor) {
  const ormel::ImageView level0{Source().data(), kSide, kSide, std::size_t{kSide} * 4};
  Pixels previous, current;
  ormel::ImageView from = level0;
  std::size_t levels = 1;
  while (from.width > floor || from.height > floor) {
    const std::uint32_t w = std::max(floor, from.width / 2), h = std::max(floor, from.height / 2);
    current.assign(std::size_t{w} * h * 4, 0);
    ormel::ScaleBitmap(from, {current.data(), w, h, std::size_t{w} * 4}, true);
    std::swap(previous, current);
    from = {previous.data(), w, h, std::size_t{w} * 4};
    ++levels;
  }
  return levels;
}

void BM_ResampleChainTo1(benchmark::State& state) {
  Source();
  for (auto _ : state) benchmark::DoNotOptimize(ResampleChain(1));
}
void BM_ResampleChainTo4(benchmark::State& state) {
  Source();
  for (auto _ : state) benchmark::DoNotOptimize(ResampleChain(4));
}

// The encoding shares: every level of a ready chain.
void BM_EncodeDxt5Levels(benchmark::State& state) {
  const auto& chain = DxtChain();
  Pixels out(std::size_t{kSide} * kSide + 64);
  for (auto _ : state) {
    for (const Level& level : chain)
      ormel::dxt::EncodeDxtImage(level.pixels, level.width, level.height, 4, true, false, out);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_EncodeJpegLevels(benchmark::State& state) {
  const auto& chain = JpegChain();
  for (auto _ : state) {
    for (const Level& level : chain) {
      const auto stream = ormel::jpeg::Encode(level.pixels, level.width, level.height, kJpegQuality,
                                              false, ormel::jpeg::Mode::FourChannel);
      benchmark::DoNotOptimize(stream.data());
    }
  }
}

// Peer: stb_dxt on the same chain, blocks gathered as red, green, blue, alpha.
void BM_PeerStbDxt5Levels(benchmark::State& state) {
  const auto& chain = DxtChain();
  Pixels out(std::size_t{kSide} * kSide + 64);
  for (auto _ : state) {
    for (const Level& level : chain) {
      std::uint8_t* dst = out.data();  // each level from the start, as the encoder above
      for (std::uint32_t by = 0; by < level.height; by += 4) {
        for (std::uint32_t bx = 0; bx < level.width; bx += 4) {
          std::uint8_t block[64];
          for (std::uint32_t i = 0; i < 16; ++i) {
            const std::uint32_t x = std::min(bx + i % 4, level.width - 1);
            const std::uint32_t y = std::min(by + i / 4, level.height - 1);
            const std::uint8_t* p = &level.pixels[(std::size_t{y} * level.width + x) * 4];
            block[4 * i] = p[2];
            block[4 * i + 1] = p[1];
            block[4 * i + 2] = p[0];
            block[4 * i + 3] = p[3];
          }
          stb_compress_dxt_block(dst, block, 1, STB_DXT_NORMAL);
          dst += 16;
        }
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
}

BENCHMARK(BM_SaveBlp2Dxt5AllMipmaps)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_SaveBlp1MergedJpegAllMipmaps)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ResampleChainTo1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ResampleChainTo4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_EncodeDxt5Levels)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_EncodeJpegLevels)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_PeerStbDxt5Levels)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
