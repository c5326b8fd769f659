// Lanczos-3 scaling of a photo-like 32-bit picture: 4096 x 4096 -> 2048 x 2048 (a mipmap
// step) and 512 x 512 -> 2048 x 2048 (a zoom), with each kernel set, plus a screen-sized
// region of a 2000 % zoom. bench/run_resample.sh runs this and Pillow's LANCZOS on the same
// pixels (written out with --write-sources=DIR) and prints both side by side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resample.hpp"
#include "synthetic.hpp"

namespace {

struct Picture {
  std::uint32_t w, h;
  std::vector<std::uint8_t> px;
  ormel::ImageView view() const { return {px.data(), w, h, std::size_t{w} * 4}; }
};

const Picture& Source(std::uint32_t side) {
  static const Picture large{4096, 4096, ondrel_test::PhotoLike(4096, 4096, 4, true, 5)};
  static const Picture small{512, 512, ondrel_test::PhotoLike(512, 512, 4, true, 5)};
  return side == 4096 ? large : small;
}

void Scale(benchmark::State& state, std::uint32_t from, std::uint32_t to,
           ormel::KernelChoice choice) {
  const Picture& src = Source(from);
  std::vector<std::uint8_t> out(std::size_t{to} * to * 4);
  const ormel::MutableImageView dst{out.data(), to, to, std::size_t{to} * 4};
  for (auto _ : state) {
    ormel::Resample(src.view(), 0, 0, int(from), int(from), dst, 0, 0, int(to), int(to),
                    ormel::LanczosWeight, 2.0f, choice);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["out_MPix/s"] = benchmark::Counter(
      double(to) * to / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void Zoom(benchmark::State& state, bool lanczos) {
  const Picture& src = Source(4096);
  const std::uint32_t full = 4096 * 20, w = 1920, h = 1080;
  std::vector<std::uint8_t> out(std::size_t{w} * h * 4);
  for (auto _ : state) {
    ormel::ScaleRegion(src.view(), full, full, {30000, 41000, w, h},
                       {out.data(), w, h, std::size_t{w} * 4}, lanczos);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["out_MPix/s"] =
      benchmark::Counter(double(w) * h / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

using ormel::KernelChoice;
BENCHMARK_CAPTURE(Scale, down_4096_to_2048, 4096, 2048, KernelChoice::Best)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scale, up_512_to_2048, 512, 2048, KernelChoice::Best)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scale, down_4096_to_2048_sse2, 4096, 2048, KernelChoice::Baseline)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scale, up_512_to_2048_sse2, 512, 2048, KernelChoice::Baseline)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scale, down_4096_to_2048_scalar, 4096, 2048, KernelChoice::Scalar)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scale, up_512_to_2048_scalar, 512, 2048, KernelChoice::Scalar)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Zoom, region_1920x1080_of_2000pct_lanczos, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Zoom, region_1920x1080_of_2000pct_plain, false)
    ->Unit(benchmark::kMillisecond);

// Raw BGRA files, top row first, for the Pillow side of the comparison.
bool WriteSources(const std::string& dir) {
  for (std::uint32_t side : {4096u, 512u}) {
    const std::string path = dir + "/source_" + std::to_string(side) + ".bgra";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto& px = Source(side).px;
    const bool ok = std::fwrite(px.data(), 1, px.size(), f) == px.size();
    if (std::fclose(f) != 0 || !ok) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* flag = "--write-sources=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
      return WriteSources(argv[i] + std::strlen(flag)) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
