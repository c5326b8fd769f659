// A rendered rectangle of the view, and the making of the next one from it: what the two
// share is copied, only the rest is rendered. Safe on any thread.
#pragma once

#include <QImage>
#include <QRect>

#include <atomic>
#include <cstdint>
#include <functional>

namespace ondrel {

struct ViewTile {
  QRect rect;     // in view pixels
  QImage pixels;  // rect.size()
  bool covers(const QRect& r) const { return !pixels.isNull() && rect.contains(r); }
};

// Renders one rectangle of the view (view coordinates) into 32-bit pixels at `target`, rows
// `stride` bytes apart.
using RegionRenderer =
    std::function<void(const QRect& region, std::uint8_t* target, qsizetype stride)>;

// The tile for `target`: the part shared with `previous` copied from it, each remaining
// rectangle rendered, into a 32-bit image of the given format (bytes copied as they are).
// `recycled`, when it has the target's size and format, is written over instead of a new
// image. Before each rectangle `cancelled` is looked at; once it is set the result is empty.
ViewTile ComposeTile(const ViewTile& previous, const QRect& target, const RegionRenderer& render,
                     QImage::Format format = QImage::Format_ARGB32,
                     const std::atomic<bool>* cancelled = nullptr, QImage recycled = {});

}  // namespace ondrel
