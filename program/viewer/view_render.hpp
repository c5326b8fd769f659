// The zoomed view, made a rectangle at a time. The view is the source scaled to the view size
// (Lanczos-3 or plain stretch) and then, when chosen, turned into its alpha channel as grey or
// blended over a checkerboard of 8 x 8 view pixels. Any rectangle rendered here equals that
// rectangle of the whole view made at once, so a view of any zoom costs only what is shown.
// Pure functions over shared, read-only images: safe on any thread.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "bitmap.hpp"

namespace ondrel {

enum class AlphaView { Colours, AlphaAsGrey, Checkerboard };

// The source as the zoom scales it: 32-bit, alpha 255 where the bitmap has none.
QImage ViewSourceOf(const TBitmap& bitmap);

// Pixels `region` of the source (from ViewSourceOf) scaled to viewSize, with the alpha view
// applied: a 32-bit image of the region's size (blue, green, red, alpha in memory). The
// region must lie inside the view.
QImage RenderViewRegion(const QImage& source, QSize viewSize, QRect region, bool lanczos,
                        AlphaView alphaView);

// Applies the alpha view to 32-bit pixels whose top-left pixel is view pixel `origin`.
void ApplyAlphaView(QImage& pixels, QPoint origin, AlphaView alphaView);

}  // namespace ondrel
