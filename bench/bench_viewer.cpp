// The viewer on a 4096 x 4096 BLP2 DXT5 texture (made by our encoder in the run), in a
// 1920 x 1080 picture area: open and first paint, zoom steps to 400 %, 1000 % and 2000 %, and
// scroll steps, plain and Lanczos. Side by side, the same steps with the whole view rendered
// at once, where that fits in memory (400 %: 1 GiB). Figures: milliseconds per step and the
// peak resident memory of the step (VmHWM, reset before each benchmark).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <fstream>
#include <string>

#include "ImgUtils.hpp"
#include "UnitBLPImageUtils.hpp"
#include "image_view_widget.hpp"
#include "ormel_blp.h"
#include "resample.hpp"
#include "synthetic.hpp"
#include "zoom_rules.hpp"

namespace {

using namespace ondrel;

constexpr int kSide = 4096;
const QSize kWindow(1920, 1080);

const QString& TextureFile() {
  static const QTemporaryDir dir;
  static const QString path = [] {
    const QString p = dir.path() + "/large_dxt5.blp";
    const auto pixels = ondrel_test::PhotoLike(kSide, kSide, 4, true, 11);
    TBLPHeader header{};
    std::memcpy(header.Signature, "BLP2", 4);
    header.Compression = 1;
    header.Width = header.Height = kSide;
    header.Encoding = 2;
    header.AlphaDepth = 8;
    header.AlphaEncoding = 7;
    header.HasMipmaps = 1;
    header.MipmapsMinus1 = 12;
    std::uint8_t* file = nullptr;
    std::uint32_t size = 0;
    BLP_SaveToMemory(pixels.data(), &header, &file, &size);
    QFile out(p);
    if (file == nullptr || !out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(file), size) != qint64(size))
      throw std::runtime_error("cannot write the benchmark texture");
    BLP_FreeMem(&file);
    return p;
  }();
  return path;
}

TBitmap Open() {
  TBitmap bitmap;
  const OpenResult r = OpenImage(TextureFile(), bitmap, {.showInfo = true}, {});
  if (r.failed || bitmap.width() != kSide) throw std::runtime_error("the texture did not load");
  return bitmap;
}

// Peak resident memory since the last reset, in MiB.
double PeakRssMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The picture area in its window size, waiting for Lanczos pixels when it renders them.
class Area {
 public:
  Area() {
    view_.resize(kWindow);
    view_.show();
    QCoreApplication::processEvents();
  }
  ImageView& view() { return view_; }
  // Paints as the screen would; with Lanczos, until the final pixels are shown. Returns the
  // milliseconds until the first paint (the plain stand-in with Lanczos).
  double Paint() {
    QElapsedTimer timer;
    timer.start();
    view_.viewport()->grab();
    const double first = double(timer.nsecsElapsed()) / 1e6;
    while (view_.renderPending()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (view_.lanczos()) view_.viewport()->grab();
    return first;
  }

 private:
  ImageView view_;
};

// CPU time of the whole process (the worker threads too) since `start`, per iteration: what a
// step costs on an idle machine, whatever else shares the processor during the run.
struct ProcessCpu {
  std::clock_t start = std::clock();
  double PerIterationMs(const benchmark::State& state) const {
    return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC / double(state.iterations());
  }
};

void Counters(benchmark::State& state, const ProcessCpu& cpu, double firstPaintMs = -1) {
  state.counters["peak_MiB"] = PeakRssMiB();
  state.counters["process_cpu_ms"] = cpu.PerIterationMs(state);
  if (firstPaintMs >= 0)
    state.counters["first_paint_ms"] =
        benchmark::Counter(firstPaintMs, benchmark::Counter::kAvgIterations);
}

// Open the file and show it at 100 %: the region rendering of the picture area.
void BM_OpenAndFirstPaint_Region(benchmark::State& state) {
  const bool lanczos = state.range(0) != 0;
  TextureFile();
  ResetPeakRss();
  double first = 0;
  const ProcessCpu cpu;
  for (auto _ : state) {
    Area area;
    area.view().setLanczos(lanczos);
    const TBitmap bitmap = Open();
    area.view().setSource(bitmap);
    area.view().setZoom(100);
    first += area.Paint();
  }
  Counters(state, cpu, first);
}

// The same with the whole 100 % view rendered as one bitmap.
void BM_OpenAndFirstPaint_Full(benchmark::State& state) {
  const bool lanczos = state.range(0) != 0;
  TextureFile();
  ResetPeakRss();
  const ProcessCpu cpu;
  for (auto _ : state) {
    const TBitmap bitmap = Open();
    TBitmap view;
    view.reset(kSide, kSide, PixelFormat::Bit32, false);
    QImage out = view.image();
    const QImage& in = bitmap.image();
    ormel::ScaleBitmap({in.constBits(), kSide, kSide, std::size_t(in.bytesPerLine())},
                       {out.bits(), kSide, kSide, std::size_t(out.bytesPerLine())}, lanczos);
    benchmark::DoNotOptimize(out.constBits());
  }
  Counters(state, cpu);
}

// One zoom step to the zoom: the view re-rendered where the window shows it.
void BM_ZoomStep_Region(benchmark::State& state) {
  const int zoom = int(state.range(0));
  const bool lanczos = state.range(1) != 0;
  Area area;
  area.view().setLanczos(lanczos);
  area.view().setSource(Open());
  ResetPeakRss();
  double first = 0;
  const ProcessCpu cpu;
  for (auto _ : state) {
    area.view().setZoom(zoom);
    first += area.Paint();
  }
  Counters(state, cpu, first);
}

// The rendering alone of what a zoom step renders at the view's top-left: the window (as a
// Lanczos step renders it first) or the window plus the margin around it (as a plain step).
void BM_RenderTile(benchmark::State& state) {
  const int zoom = int(state.range(0));
  const bool lanczos = state.range(1) != 0;
  const QImage source = ViewSourceOf(Open());
  const QSize size = ZoomedSize(QSize(kSide, kSide), zoom);
  const QRect tile = QRect(QPoint(0, 0), size) &
                     QRect(QPoint(0, 0), lanczos ? kWindow : kWindow + QSize(256, 256));
  const RegionRenderer render = [&](const QRect& r, std::uint8_t* target, qsizetype stride) {
    RenderViewRegionInto(source, size, r, lanczos, AlphaView::Colours, true, target, stride);
  };
  ResetPeakRss();
  QImage buffer;
  const ProcessCpu cpu;
  for (auto _ : state) {
    ViewTile t = ComposeTile({}, tile, render, QImage::Format_RGB32, nullptr, std::move(buffer));
    benchmark::DoNotOptimize(t.pixels.constBits());
    buffer = std::move(t.pixels);
  }
  Counters(state, cpu);
  state.counters["MPix/s"] = benchmark::Counter(double(tile.width()) * tile.height() / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

// One zoom step with the whole view rendered: the view bitmap kept between steps.
void BM_ZoomStep_Full(benchmark::State& state) {
  const int zoom = int(state.range(0));
  const bool lanczos = state.range(1) != 0;
  const TBitmap source = Open();
  const QSize size = ZoomedSize(QSize(kSide, kSide), zoom);
  ResetPeakRss();
  TBitmap view;
  view.reset(size.width(), size.height(), PixelFormat::Bit32, false);
  if (view.empty()) {
    state.SkipWithError("the whole view does not fit in memory");
    return;
  }
  QImage out = view.image();
  const QImage& in = source.image();
  const ProcessCpu cpu;
  for (auto _ : state) {
    ormel::ScaleBitmap({in.constBits(), kSide, kSide, std::size_t(in.bytesPerLine())},
                       {out.bits(), std::uint32_t(size.width()), std::uint32_t(size.height()),
                        std::size_t(out.bytesPerLine())},
                       lanczos);
    benchmark::DoNotOptimize(out.constBits());
  }
  Counters(state, cpu);
}

// Scrolling down by a wheel notch (72 pixels) at a time through the zoomed view; the slowest
// step is reported beside the mean.
void BM_ScrollStep_Region(benchmark::State& state) {
  const int zoom = int(state.range(0));
  const bool lanczos = state.range(1) != 0;
  Area area;
  area.view().setLanczos(lanczos);
  area.view().setSource(Open());
  area.view().setZoom(zoom);
  area.Paint();
  QScrollBar* bar = area.view().verticalScrollBar();
  bar->setValue(bar->maximum() / 3);
  area.Paint();
  ResetPeakRss();
  double slowest = 0;
  const ProcessCpu cpu;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    bar->setValue(bar->value() + 72 < bar->maximum() ? bar->value() + 72 : 0);
    area.Paint();
    slowest = std::max(slowest, double(timer.nsecsElapsed()) / 1e6);
  }
  Counters(state, cpu);
  state.counters["slowest_ms"] = slowest;
}

void Modes(benchmark::internal::Benchmark* b) { b->ArgNames({"lanczos"})->Arg(0)->Arg(1); }
void Zooms(benchmark::internal::Benchmark* b) {
  b->ArgNames({"zoom", "lanczos"});
  for (int lanczos : {0, 1})
    for (int zoom : {400, 1000, 2000}) b->Args({zoom, lanczos});
}

BENCHMARK(BM_OpenAndFirstPaint_Region)->Apply(Modes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenAndFirstPaint_Full)->Apply(Modes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderTile)->Apply(Zooms)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomStep_Region)->Apply(Zooms)->Unit(benchmark::kMillisecond)->UseRealTime();
// Only 400 %: the whole view takes 1 GiB there, 6.25 GiB at 1000 % and 25 GiB at 2000 %.
BENCHMARK(BM_ZoomStep_Full)
    ->ArgNames({"zoom", "lanczos"})
    ->Args({400, 0})
    ->Args({400, 1})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ScrollStep_Region)
    ->ArgNames({"zoom", "lanczos"})
    ->Args({400, 0})
    ->Args({2000, 0})
    ->Args({400, 1})
    ->Args({2000, 1})
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
