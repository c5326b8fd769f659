#include "view_tile.hpp"

#include <QRegion>

#include <cstring>
#include <new>

namespace ondrel {

ViewTile ComposeTile(const ViewTile& previous, const QRect& target, const RegionRenderer& render,
                     QImage::Format format, const std::atomic<bool>* cancelled, QImage recycled) {
  if (target.isEmpty()) return {};
  ViewTile tile{target, recycled.size() == target.size() && recycled.format() == format
                            ? std::move(recycled)
                            : QImage(target.size(), format)};
  if (tile.pixels.isNull()) throw std::bad_alloc();
  std::uint8_t* const bits = tile.pixels.bits();
  const qsizetype stride = tile.pixels.bytesPerLine();
  auto at = [&](const QPoint& viewPoint) {
    const QPoint p = viewPoint - target.topLeft();
    return bits + p.y() * stride + p.x() * 4;
  };
  QRegion missing(target);
  const QRect shared = previous.pixels.isNull() ? QRect() : (previous.rect & target);
  if (!shared.isEmpty()) {
    const QPoint from = shared.topLeft() - previous.rect.topLeft();
    for (int y = 0; y < shared.height(); ++y)
      std::memcpy(at(shared.topLeft() + QPoint(0, y)),
                  previous.pixels.constScanLine(from.y() + y) + from.x() * 4,
                  std::size_t(shared.width()) * 4);
    missing -= shared;
  }
  for (const QRect& part : missing) {
    if (cancelled != nullptr && cancelled->load(std::memory_order_relaxed)) return {};
    render(part, at(part.topLeft()), stride);
  }
  return tile;
}

}  // namespace ondrel
