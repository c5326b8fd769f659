#include "zoom_rules.hpp"

#include <cstdint>

namespace ondrel {
namespace {

// The step grows with the zoom. Zooming in takes the coarser step at a boundary (100 -> 125),
// zooming out the finer one (100 -> 90), so both directions retrace each other.
int StepIn(int zoom) { return zoom < 100 ? 10 : zoom < 200 ? 25 : zoom < 400 ? 50 : 100; }
int StepOut(int zoom) { return zoom <= 100 ? 10 : zoom <= 200 ? 25 : zoom <= 400 ? 50 : 100; }

}  // namespace

std::optional<int> ZoomInFrom(int zoom) {
  const int next = zoom + StepIn(zoom);
  return IsZoomInRange(next) ? std::optional(next) : std::nullopt;
}

std::optional<int> ZoomOutFrom(int zoom) {
  const int next = zoom - StepOut(zoom);
  return IsZoomInRange(next) ? std::optional(next) : std::nullopt;
}

QStringList ZoomListEntries() {
  QStringList entries;
  for (int zoom = 25; zoom <= kMaxZoom; zoom *= 2) entries << ZoomText(zoom);
  return entries;
}

std::optional<int> ZoomFromTypedText(const QString& text, int currentZoom) {
  QString digits = "0";
  for (const QChar c : text)
    if (c >= '0' && c <= '9') digits += c;
  // Any run of digits too long for a number is far above 2000 as well.
  bool ok = false;
  const qulonglong value = digits.toULongLong(&ok);
  if (!ok) return std::nullopt;
  if (value == 0) return currentZoom;
  if (value >= 2 && value <= kMaxZoom) return int(value);
  return std::nullopt;
}

QString ZoomText(int zoom) { return QString::number(zoom) + '%'; }

int ZoomedSide(int side, int zoom) {
  const std::int64_t product = std::int64_t{side} * zoom;
  std::int64_t q = product / 100;
  const std::int64_t r = product % 100;
  if (r > 50 || (r == 50 && (q & 1) != 0)) ++q;
  return int(q);
}

QSize ZoomedSize(QSize source, int zoom) {
  return {ZoomedSide(source.width(), zoom), ZoomedSide(source.height(), zoom)};
}

}  // namespace ondrel
