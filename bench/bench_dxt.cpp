// DXT1/DXT5 encoding and decoding of 1024 x 1024 pictures (photo-like and noise), side by side
// with stb_dxt in its default and high-quality modes. Rates are in MPix/s; each encoder's
// RMSE against the source (colour channels, and alpha for DXT5) is printed as a counter,
// measured by decoding its blocks with our decoder. A plain copy of the decoded size is the
// memory-speed reference for the decoders.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dxt.hpp"
#include "synthetic.hpp"

#define STB_DXT_IMPLEMENTATION
#include "stb_dxt.h"

namespace {

using Pixels = std::vector<std::uint8_t>;
using ormel::dxt::Format;

constexpr std::uint32_t kSide = 1024;
constexpr double kPixels = double{kSide} * kSide;

enum Picture { kPhoto = 0, kNoise = 1 };

const Pixels& Source(int picture) {
  static const Pixels photo = ondrel_test::PhotoLike(kSide, kSide, 4, true);
  static const Pixels noise = ondrel_test::Noise(kSide, kSide, 4);
  return picture == kPhoto ? photo : noise;
}

const char* PictureName(int picture) { return picture == kPhoto ? "photo" : "noise"; }

void SetRate(benchmark::State& state) {
  state.counters["MPix/s"] =
      benchmark::Counter(kPixels * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// RMSE of blue, green and red; and of alpha when `alpha`.
void SetQuality(benchmark::State& state, const Pixels& source, Format format,
                const Pixels& blocks) {
  Pixels decoded(source.size());
  ormel::dxt::DecodeImage(format, blocks, decoded, kSide, kSide);
  double colour = 0, alpha = 0;
  for (std::size_t i = 0; i < source.size(); i += 4) {
    for (int c = 0; c < 3; ++c) {
      const double d = double(source[i + c]) - decoded[i + c];
      colour += d * d;
    }
    const double d = double(source[i + 3]) - decoded[i + 3];
    alpha += d * d;
  }
  state.counters["rmse_rgb"] = std::sqrt(colour / (kPixels * 3));
  if (format == Format::Dxt5) state.counters["rmse_alpha"] = std::sqrt(alpha / kPixels);
}

Pixels EncodeOurs(const Pixels& source, bool dxt5, bool dither) {
  Pixels out(ormel::dxt::LevelBytes(dxt5 ? Format::Dxt5 : Format::Dxt1, kSide, kSide));
  ormel::dxt::EncodeDxtImage(source, kSide, kSide, 4, dxt5, dither, out);
  return out;
}

// The same work as ours: gather each block from the blue-green-red-alpha rows, encode it.
Pixels EncodeStb(const Pixels& source, bool dxt5, int mode) {
  Pixels out(ormel::dxt::LevelBytes(dxt5 ? Format::Dxt5 : Format::Dxt1, kSide, kSide));
  std::uint8_t* dst = out.data();
  std::uint8_t rgba[64];
  for (std::uint32_t by = 0; by < kSide / 4; ++by) {
    for (std::uint32_t bx = 0; bx < kSide / 4; ++bx) {
      for (int y = 0; y < 4; ++y) {
        const std::uint8_t* row = &source[((4 * by + y) * kSide + 4 * bx) * 4];
        for (int x = 0; x < 4; ++x) {
          std::uint8_t* p = rgba + 16 * y + 4 * x;
          p[0] = row[4 * x + 2];
          p[1] = row[4 * x + 1];
          p[2] = row[4 * x];
          p[3] = row[4 * x + 3];
        }
      }
      stb_compress_dxt_block(dst, rgba, dxt5 ? 1 : 0, mode);
      dst += dxt5 ? 16 : 8;
    }
  }
  return out;
}

// Arguments: picture, DXT5, dithering (ours) or mode (stb).
void BM_EncodeOurs(benchmark::State& state) {
  const Pixels& source = Source(static_cast<int>(state.range(0)));
  const bool dxt5 = state.range(1) != 0, dither = state.range(2) != 0;
  state.SetLabel(std::string(PictureName(static_cast<int>(state.range(0)))) +
                 (dxt5 ? " dxt5" : " dxt1") + (dither ? " dither" : ""));
  Pixels out;
  for (auto _ : state) {
    out = EncodeOurs(source, dxt5, dither);
    benchmark::DoNotOptimize(out.data());
  }
  SetRate(state);
  SetQuality(state, source, dxt5 ? Format::Dxt5 : Format::Dxt1, out);
}

void BM_EncodeStb(benchmark::State& state) {
  const Pixels& source = Source(static_cast<int>(state.range(0)));
  const bool dxt5 = state.range(1) != 0;
  const int mode = static_cast<int>(state.range(2));
  state.SetLabel(std::string(PictureName(static_cast<int>(state.range(0)))) +
                 (dxt5 ? " dxt5" : " dxt1") + (mode == STB_DXT_HIGHQUAL ? " highqual" : ""));
  Pixels out;
  for (auto _ : state) {
    out = EncodeStb(source, dxt5, mode);
    benchmark::DoNotOptimize(out.data());
  }
  SetRate(state);
  SetQuality(state, source, dxt5 ? Format::Dxt5 : Format::Dxt1, out);
}

void BM_Decode(benchmark::State& state) {
  const int picture = static_cast<int>(state.range(0));
  const Format format = static_cast<Format>(state.range(1));
  const char* names[] = {" dxt1", " dxt3", " dxt5"};
  state.SetLabel(std::string(PictureName(picture)) + names[state.range(1)]);
  // DXT3 blocks: our DXT5 colour blocks behind 4-bit alpha words.
  Pixels blocks = EncodeOurs(Source(picture), format != Format::Dxt1, false);
  if (format == Format::Dxt3)
    for (std::size_t i = 0; i < blocks.size(); i += 16) std::memset(&blocks[i], 0x5A, 8);
  Pixels pixels(Source(picture).size());
  for (auto _ : state) {
    ormel::dxt::DecodeImage(format, blocks, pixels, kSide, kSide);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  SetRate(state);
}

void BM_CopyDecodedSize(benchmark::State& state) {
  const Pixels& source = Source(kPhoto);
  Pixels pixels(source.size());
  for (auto _ : state) {
    std::memcpy(pixels.data(), source.data(), source.size());
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  SetRate(state);
}

void EncodeArgs(benchmark::internal::Benchmark* b, std::initializer_list<int> thirdArgs) {
  for (int picture : {kPhoto, kNoise})
    for (int dxt5 : {0, 1})
      for (int third : thirdArgs) b->Args({picture, dxt5, third});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_EncodeOurs)->Apply([](auto* b) { EncodeArgs(b, {0, 1}); });
BENCHMARK(BM_EncodeStb)->Apply([](auto* b) { EncodeArgs(b, {STB_DXT_NORMAL, STB_DXT_HIGHQUAL}); });
BENCHMARK(BM_Decode)
    ->ArgsProduct({{kPhoto, kNoise}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyDecodedSize)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
