// Open (file to bitmap) and save (bitmap to file) of a 2048 x 2048 picture in each of the
// seven formats with the options the dialog is designed with, side by side with Qt's own
// reader and writer for PNG, JPEG and BMP, measured in the same run.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstring>

#include "UnitBLPImageUtils.hpp"
#include "synthetic.hpp"

namespace {

using namespace ondrel;

constexpr int kSide = 2048;

const TBitmap& Picture(bool alpha) {
  static const TBitmap pictures[2] = {
      [] {
        const auto px = ondrel_test::PhotoLike(kSide, kSide, 3, false);
        TBitmap b;
        b.reset(kSide, kSide, PixelFormat::Bit24);
        b.copyFromPacked(px.data());
        return b;
      }(),
      [] {
        const auto px = ondrel_test::PhotoLike(kSide, kSide, 4, true);
        TBitmap b;
        b.reset(kSide, kSide, PixelFormat::Bit32);
        b.copyFromPacked(px.data());
        return b;
      }()};
  return pictures[alpha ? 1 : 0];
}

const QString& Folder() {
  static const QTemporaryDir dir;
  static const QString path = dir.path() + '/';
  return path;
}

enum Format { Blp1Jpeg, Blp2Dxt, Dds, Tga, Png, Jpg, Bmp };
const char* kExtensions[] = {".blp", ".blp", ".dds", ".tga", ".png", ".jpg", ".bmp"};

void Save(Format f, const QString& path, const TBitmap& picture) {
  const FileFormatOptions o = DesignedFileFormatOptions();
  switch (f) {
    case Blp1Jpeg: SaveBlpImage(path, picture, 0, o, true); break;
    case Blp2Dxt: SaveBlpImage(path, picture, 1, o, true); break;
    case Dds: SaveDdsImage(path, picture, o); break;
    case Tga: SaveTgaImage(path, picture, o); break;
    case Png: SavePngImage(path, picture, o); break;
    case Jpg: SaveJpegImage(path, picture, o); break;
    case Bmp: SaveBmpImage(path, picture); break;
  }
}

QString PathOf(Format f) { return Folder() + "picture" + QString::number(int(f)) + kExtensions[f]; }

void BM_Save(benchmark::State& state) {
  const auto f = Format(state.range(0));
  const TBitmap& picture = Picture(f != Jpg);
  for (auto _ : state) {
    try {
      Save(f, PathOf(f), picture);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      break;
    }
  }
}

void BM_Open(benchmark::State& state) {
  const auto f = Format(state.range(0));
  try {
    Save(f, PathOf(f), Picture(f != Jpg));
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) {
    TBitmap target;
    bool failed = false;
    OpenImage(PathOf(f), target, {}, [&](const QString&) { failed = true; });
    if (failed || target.width() != kSide) {
      state.SkipWithError("the file did not load");
      break;
    }
    benchmark::DoNotOptimize(target.scanLine(0));
  }
}

// Qt's writer on the same pictures (PNG at Qt's default settings, JPEG at quality 85).
void BM_QtSave(benchmark::State& state) {
  const auto f = Format(state.range(0));
  const QImage& image = Picture(f != Jpg).image();
  const QString path = Folder() + "qt" + kExtensions[f];
  for (auto _ : state) image.save(path, nullptr, f == Jpg ? 85 : -1);
}

// Qt's reader on the very file our saver wrote, so both readers decode the same bytes.
void BM_QtOpen(benchmark::State& state) {
  const auto f = Format(state.range(0));
  const QString path = PathOf(f);
  Save(f, path, Picture(f != Jpg));
  for (auto _ : state) {
    QImage image(path);
    benchmark::DoNotOptimize(image.constBits());
  }
}

void Formats(benchmark::internal::Benchmark* b) {
  for (int f = Blp1Jpeg; f <= Bmp; ++f) b->Arg(f);
}
void QtFormats(benchmark::internal::Benchmark* b) {
  for (int f : {Png, Jpg, Bmp}) b->Arg(f);
}

// Argument: 0 BLP1 JPEG, 1 BLP2 DXT5, 2 DDS DXT5, 3 TGA, 4 PNG level 9, 5 JPEG q85, 6 BMP.
BENCHMARK(BM_Save)->Apply(Formats)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Open)->Apply(Formats)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtSave)->Apply(QtFormats)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtOpen)->Apply(QtFormats)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
