// Palette quantization and mapping of a 1024 x 1024 photo-like picture to 256 colours, with
// and without error diffusion: our octree quantizer, lookup and two-pass diffusion, and, in
// the same run, libimagequant (the library behind pngquant) with its default speed. Each case
// reports its time and the colour error of the mapped picture against the original (mean
// absolute error and root mean square error over blue, green and red). CPU time is the
// whole process's, as libimagequant may use several threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "quantize.hpp"
#include "synthetic.hpp"

#if defined(ONDREL_HAVE_IMAGEQUANT)
#include <libimagequant.h>
#endif

namespace {

constexpr std::uint32_t kSide = 1024;
constexpr int kColours = 256;

const std::vector<std::uint8_t>& Photo() {  // blue, green, red, alpha 255
  static const auto px = ondrel_test::PhotoLike(kSide, kSide, 4, false, 9);
  return px;
}

// The mapped picture as blue, green, red triples, for the error figures.
void ReportError(benchmark::State& state, const std::vector<std::uint8_t>& bgr) {
  const auto& photo = Photo();
  double absolute = 0, squared = 0;
  for (std::size_t p = 0; p < std::size_t{kSide} * kSide; ++p) {
    for (int c = 0; c < 3; ++c) {
      const double d = double(bgr[p * 3 + c]) - double(photo[p * 4 + c]);
      absolute += std::fabs(d);
      squared += d * d;
    }
  }
  const double n = 3.0 * kSide * kSide;
  state.counters["mean_abs_err"] = absolute / n;
  state.counters["rmse"] = std::sqrt(squared / n);
  state.counters["MPix/s"] = benchmark::Counter(double(kSide) * kSide / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state, bool dither) {
  const auto& photo = Photo();
  std::vector<std::uint8_t> work(photo.size());
  std::vector<std::uint8_t> indices(std::size_t{kSide} * kSide);
  ormel::Palette palette{};
  for (auto _ : state) {
    palette.fill(0);
    {
      ormel::TColorQuantizer quantizer(kColours, 8);
      quantizer.ScanBitmap({photo.data(), kSide, kSide, std::size_t{kSide} * 4});
      quantizer.FillPalette(palette);
    }
    ormel::TColorLookup lookup(palette, kColours - 1);
    const std::uint8_t* source = photo.data();
    if (dither) {
      work = photo;
      ormel::DiffuseToPalette({work.data(), kSide, kSide, std::size_t{kSide} * 4}, lookup);
      source = work.data();
    }
    for (std::size_t p = 0; p < indices.size(); ++p) {
      const std::uint8_t* px = source + p * 4;
      indices[p] = static_cast<std::uint8_t>(lookup.Nearest(px[2], px[1], px[0]));
    }
    benchmark::DoNotOptimize(indices.data());
  }
  std::vector<std::uint8_t> bgr(indices.size() * 3);
  for (std::size_t p = 0; p < indices.size(); ++p)
    for (int c = 0; c < 3; ++c) bgr[p * 3 + c] = palette[indices[p] * 4 + c];
  ReportError(state, bgr);
}

#if defined(ONDREL_HAVE_IMAGEQUANT)
void ImageQuant(benchmark::State& state, bool dither) {
  const auto& photo = Photo();
  std::vector<std::uint8_t> rgba(photo.size());  // libimagequant reads red first
  for (std::size_t i = 0; i < photo.size(); i += 4) {
    rgba[i] = photo[i + 2];
    rgba[i + 1] = photo[i + 1];
    rgba[i + 2] = photo[i];
    rgba[i + 3] = photo[i + 3];
  }
  std::vector<std::uint8_t> indices(std::size_t{kSide} * kSide);
  std::vector<std::uint8_t> bgr(indices.size() * 3);
  for (auto _ : state) {
    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, kColours);
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), int(kSide), int(kSide), 0);
    liq_result* result = nullptr;
    if (liq_image_quantize(image, attr, &result) != LIQ_OK) {
      state.SkipWithError("libimagequant failed");
      break;
    }
    liq_set_dithering_level(result, dither ? 1.0f : 0.0f);
    liq_write_remapped_image(result, image, indices.data(), indices.size());
    const liq_palette* palette = liq_get_palette(result);
    state.PauseTiming();
    for (std::size_t p = 0; p < indices.size(); ++p) {
      const liq_color& c = palette->entries[indices[p]];
      bgr[p * 3] = c.b;
      bgr[p * 3 + 1] = c.g;
      bgr[p * 3 + 2] = c.r;
    }
    state.ResumeTiming();
    liq_result_destroy(result);
    liq_image_destroy(image);
    liq_attr_destroy(attr);
  }
  ReportError(state, bgr);
}

BENCHMARK_CAPTURE(ImageQuant, libimagequant_no_dither, false)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(ImageQuant, libimagequant_dither, true)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
#endif

BENCHMARK_CAPTURE(Ours, octree_no_dither, false)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Ours, octree_dither, true)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
