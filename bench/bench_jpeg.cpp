// JPEG decode and encode of a 2048 x 2048 photo-like image, through the library's exports and,
// in the same run, through libjpeg-turbo called directly with the same settings. The gap is
// the cost of our layer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ormel_blp.h"
#include "synthetic.hpp"

extern "C" {
#include <jpeglib.h>
}

namespace {

constexpr int kSide = 2048;

const std::vector<std::uint8_t>& Source() {
  static const auto px = ondrel_test::PhotoLike(kSide, kSide, 3);
  return px;
}

const std::vector<std::uint8_t>& File(bool progressive) {
  static std::vector<std::uint8_t> files[2];
  auto& f = files[progressive];
  if (f.empty()) {
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    JPG_SaveToMemory(Source().data(), kSide, kSide, 90, progressive, &data, &size);
    f.assign(data, data + size);
    BLP_FreeMem(&data);
  }
  return f;
}

void SetRate(benchmark::State& state) {
  state.counters["MPix/s"] = benchmark::Counter(double(kSide) * kSide / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void OursEncode(benchmark::State& state) {
  const bool progressive = state.range(0) != 0;
  for (auto _ : state) {
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    JPG_SaveToMemory(Source().data(), kSide, kSide, 90, progressive, &data, &size);
    benchmark::DoNotOptimize(size);
    BLP_FreeMem(&data);
  }
  SetRate(state);
}

void OursDecode(benchmark::State& state) {
  const auto& f = File(state.range(0) != 0);
  std::vector<std::uint8_t> px(std::size_t{kSide} * kSide * 3);
  for (auto _ : state) {
    std::uint16_t w = 0, h = 0;
    JPG_LoadFromMemoryEx(f.data(), f.size(), px.data(), px.size(), &w, &h);
    benchmark::DoNotOptimize(px.data());
  }
  SetRate(state);
}

// The same work with libjpeg alone: same colour space, DCT, smoothing and quality.
void DirectEncode(benchmark::State& state) {
  const bool progressive = state.range(0) != 0;
  for (auto _ : state) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = kSide;
    c.image_height = kSide;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    c.dct_method = JDCT_ISLOW;
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = const_cast<JSAMPLE*>(Source().data() + std::size_t{c.next_scanline} * kSide * 3);
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    benchmark::DoNotOptimize(size);
    std::free(out);
  }
  SetRate(state);
}

void DirectDecode(benchmark::State& state) {
  const auto& f = File(state.range(0) != 0);
  std::vector<std::uint8_t> px(std::size_t{kSide} * kSide * 3);
  for (auto _ : state) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, f.data(), f.size());
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGR;
    d.dct_method = JDCT_ISLOW;
    d.do_block_smoothing = TRUE;
    d.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = px.data() + std::size_t{d.output_scanline} * kSide * 3;
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(px.data());
  }
  SetRate(state);
}

}  // namespace

BENCHMARK(OursEncode)->ArgName("progressive")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectEncode)->ArgName("progressive")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OursDecode)->ArgName("progressive")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectDecode)->ArgName("progressive")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // Build the inputs before any timing starts.
  Source();
  File(false);
  File(true);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
