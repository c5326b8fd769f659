#include "view_tile.hpp"

#include <QRegion>

#include <algorithm>
#include <cstring>
#include <new>

namespace ondrel {
namespace {

// Small enough that a stale render stops soon, large enough that the per-band set-up of the
// resampler does not show.
constexpr int kBandRows = 64;

void CopyInto(QImage& target, const QPoint& at, const QImage& source, const QRect& from) {
  const int bytes = from.width() * 4;
  for (int y = 0; y < from.height(); ++y)
    std::memcpy(target.scanLine(at.y() + y) + at.x() * 4,
                source.constScanLine(from.y() + y) + from.x() * 4, std::size_t(bytes));
}

}  // namespace

ViewTile ComposeTile(const ViewTile& previous, const QRect& target, const RegionRenderer& render,
                     QImage::Format format, const std::atomic<bool>* cancelled) {
  if (target.isEmpty()) return {};
  ViewTile tile{target, QImage(target.size(), format)};
  if (tile.pixels.isNull()) throw std::bad_alloc();
  QRegion missing(target);
  if (!previous.pixels.isNull()) {
    const QRect shared = previous.rect & target;
    if (!shared.isEmpty()) {
      CopyInto(tile.pixels, shared.topLeft() - target.topLeft(), previous.pixels,
               shared.translated(-previous.rect.topLeft()));
      missing -= shared;
    }
  }
  for (const QRect& part : missing) {
    for (int top = part.top(); top <= part.bottom(); top += kBandRows) {
      if (cancelled != nullptr && cancelled->load(std::memory_order_relaxed)) return {};
      const QRect band(part.left(), top, part.width(), std::min(kBandRows, part.bottom() + 1 - top));
      const QImage pixels = render(band);
      CopyInto(tile.pixels, band.topLeft() - target.topLeft(), pixels, pixels.rect());
    }
  }
  return tile;
}

QImage DisplayPixels(QImage pixels) {
  for (int y = 0; y < pixels.height(); ++y) {
    std::uint8_t* p = pixels.scanLine(y);
    for (int x = 0; x < pixels.width(); ++x) p[4 * x + 3] = 255;
  }
  pixels.reinterpretAsFormat(QImage::Format_RGB32);
  return pixels;
}

}  // namespace ondrel
