// DXT1/DXT5 encoding and decoding of 1024 x 1024 pictures (photo-like and noise), side by side
// with stb_dxt in its default and high-quality modes. Rates are in MPix/s; each encoder's
// RMSE against the source (colour channels, and alpha for DXT5) is printed as a counter,
// measured by decoding its blocks with our decoder (rmse_rgb: endpoints widened by bit
// replication, thirds truncated, as the library decodes) and with the decoder that rounds the
// thirds, which stb_dxt aims at (rmse_rgb_round). A plain copy of the decoded size is the
// memory-speed reference for the decoders. Threaded encoding (one thread and all threads,
// dithered and plain) is timed in real time. Every encoding of ours also prints x_stb: its
// rate over stb_dxt's default mode on one thread, same picture and format, timed in the same
// run just before (the best of five encodings in thread CPU time, so a busy machine hurts both
// alike; the threaded rows set their real time against that one core).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <thread>
#include <cstring>
#include <ctime>
#include <vector>

#include "dxt.hpp"
#include "dxt_encode.hpp"
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

// Colours of DXT blocks decoded the other common way: 5 and 6 bits widened by replicating
// their top bits, as ours, but the thirds rounded. Only the colour channels, four-colour
// blocks (both encoders write only those).
void DecodeColorsRounded(const Pixels& blocks, std::size_t blockBytes, Pixels& out) {
  const auto widen = [](unsigned c, int ch) {
    if (ch == 0) return (c & 31) << 3 | (c & 31) >> 2;
    if (ch == 1) return ((c >> 5) & 63) << 2 | ((c >> 5) & 63) >> 4;
    return (c >> 11) << 3 | (c >> 11) >> 2;
  };
  std::size_t k = 0;
  for (std::uint32_t by = 0; by < kSide / 4; ++by)
    for (std::uint32_t bx = 0; bx < kSide / 4; ++bx, ++k) {
      const std::uint8_t* b = &blocks[k * blockBytes + blockBytes - 8];
      const unsigned c0 = b[0] | b[1] << 8, c1 = b[2] | b[3] << 8;
      const std::uint32_t idx = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t(b[7]) << 24;
      for (int p = 0; p < 16; ++p) {
        std::uint8_t* px = &out[((4 * by + p / 4) * kSide + 4 * bx + p % 4) * 4];
        for (int ch = 0; ch < 3; ++ch) {
          const unsigned e0 = widen(c0, ch), e1 = widen(c1, ch);
          const unsigned v[4] = {e0, e1, (2 * e0 + e1 + 1) / 3, (e0 + 2 * e1 + 1) / 3};
          px[ch] = static_cast<std::uint8_t>(v[(idx >> (2 * p)) & 3]);
        }
      }
    }
}

double RmseRgb(const Pixels& a, const Pixels& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); i += 4)
    for (int c = 0; c < 3; ++c) {
      const double d = double(a[i + c]) - b[i + c];
      sum += d * d;
    }
  return std::sqrt(sum / (kPixels * 3));
}

// RMSE of blue, green and red (two decoders); and of alpha for DXT5.
void SetQuality(benchmark::State& state, const Pixels& source, Format format,
                const Pixels& blocks) {
  Pixels decoded(source.size());
  ormel::dxt::DecodeImage(format, blocks, decoded, kSide, kSide);
  state.counters["rmse_rgb"] = RmseRgb(source, decoded);
  if (format == Format::Dxt5) {
    double alpha = 0;
    for (std::size_t i = 3; i < source.size(); i += 4) {
      const double d = double(source[i]) - decoded[i];
      alpha += d * d;
    }
    state.counters["rmse_alpha"] = std::sqrt(alpha / kPixels);
  }
  DecodeColorsRounded(blocks, ormel::dxt::BlockBytes(format), decoded);
  state.counters["rmse_rgb_round"] = RmseRgb(source, decoded);
}

Pixels EncodeOurs(const Pixels& source, bool dxt5, bool dither, unsigned threads = 1) {
  Pixels out(ormel::dxt::LevelBytes(dxt5 ? Format::Dxt5 : Format::Dxt1, kSide, kSide));
  ormel::dxt::EncodeDxtImageOnThreads(source, kSide, kSide, 4, dxt5, dither, out, threads);
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

// stb_dxt's default mode on one thread, in MPix/s of this thread's CPU time: the best of five
// encodings, measured once per picture and format.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double StbRate(int picture, bool dxt5) {
  static std::map<std::pair<int, bool>, double> rates;
  const auto [it, fresh] = rates.try_emplace({picture, dxt5}, 0.0);
  if (fresh) {
    double best = 1e30;
    for (int i = 0; i < 5; ++i) {
      const double start = ThreadSeconds();
      benchmark::DoNotOptimize(EncodeStb(Source(picture), dxt5, STB_DXT_NORMAL).data());
      best = std::min(best, ThreadSeconds() - start);
    }
    it->second = kPixels / best / 1e6;
  }
  return it->second;
}

void SetRateAgainstStb(benchmark::State& state, int picture, bool dxt5) {
  SetRate(state);
  const double stb = StbRate(picture, dxt5);
  state.counters["x_stb"] = benchmark::Counter(kPixels * state.iterations() / 1e6 / stb,
                                               benchmark::Counter::kIsRate);
}

// Arguments: picture, DXT5, dithering (ours) or mode (stb).
void BM_EncodeOurs(benchmark::State& state) {
  const int picture = static_cast<int>(state.range(0));
  const Pixels& source = Source(picture);
  const bool dxt5 = state.range(1) != 0, dither = state.range(2) != 0;
  StbRate(picture, dxt5);
  state.SetLabel(std::string(PictureName(static_cast<int>(state.range(0)))) +
                 (dxt5 ? " dxt5" : " dxt1") + (dither ? " dither" : ""));
  Pixels out;
  for (auto _ : state) {
    out = EncodeOurs(source, dxt5, dither);
    benchmark::DoNotOptimize(out.data());
  }
  SetRateAgainstStb(state, picture, dxt5);
  SetQuality(state, source, dxt5 ? Format::Dxt5 : Format::Dxt1, out);
}

// Arguments: picture, DXT5, dithering, threads.
void BM_EncodeOursThreaded(benchmark::State& state) {
  const int picture = static_cast<int>(state.range(0));
  const Pixels& source = Source(picture);
  const bool dxt5 = state.range(1) != 0, dither = state.range(2) != 0;
  const auto threads = static_cast<unsigned>(state.range(3));
  state.SetLabel(std::string(PictureName(picture)) + (dxt5 ? " dxt5" : " dxt1") +
                 (dither ? " dither " : " ") + std::to_string(threads) +
                 (threads == 1 ? " thread" : " threads"));
  StbRate(picture, dxt5);
  Pixels out;
  for (auto _ : state) {
    out = EncodeOurs(source, dxt5, dither, threads);
    benchmark::DoNotOptimize(out.data());
  }
  SetRateAgainstStb(state, picture, dxt5);
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
BENCHMARK(BM_EncodeOursThreaded)
    ->ArgsProduct({{kPhoto, kNoise},
                   {0, 1},
                   {0, 1},
                   {1, std::max<int>(2, static_cast<int>(std::thread::hardware_concurrency()))}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeStb)->Apply([](auto* b) { EncodeArgs(b, {STB_DXT_NORMAL, STB_DXT_HIGHQUAL}); });
BENCHMARK(BM_Decode)
    ->ArgsProduct({{kPhoto, kNoise}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyDecodedSize)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
