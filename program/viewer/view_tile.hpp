// A rendered rectangle of the view, and the making of the next one from it: what the two
// share is copied, only the rest is rendered. Safe on any thread.
#pragma once

#include <QImage>
#include <QRect>

#include <atomic>
#include <functional>

namespace ondrel {

struct ViewTile {
  QRect rect;     // in view pixels
  QImage pixels;  // rect.size()
  bool covers(const QRect& r) const { return !pixels.isNull() && rect.contains(r); }
};

// Renders one rectangle of the view (view coordinates) into an image of its size.
using RegionRenderer = std::function<QImage(const QRect&)>;

// The tile for `target`: the part shared with `previous` copied from it, the rest rendered in
// bands of rows, in a 32-bit image of the given format (the bytes are copied as they are).
// Between bands `cancelled` is looked at; once it is set the result is an empty tile.
ViewTile ComposeTile(const ViewTile& previous, const QRect& target, const RegionRenderer& render,
                     QImage::Format format = QImage::Format_ARGB32,
                     const std::atomic<bool>* cancelled = nullptr);

// The pixels as the screen shows them: alpha ignored (set to 255), 32-bit RGB.
QImage DisplayPixels(QImage pixels);

}  // namespace ondrel
