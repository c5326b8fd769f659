// The zoomed view, made a rectangle at a time. The view is the source scaled to the view size
// (Lanczos-3 or plain stretch) and then, when chosen, turned into its alpha channel as grey or
// blended over a checkerboard of 8 x 8 view pixels. Any rectangle rendered here equals that
// rectangle of the whole view made at once, so a view of any zoom costs only what is shown.
// Pure functions over shared, read-only images: safe on any thread.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>

#include "bitmap.hpp"

namespace ondrel {

enum class AlphaView { Colours, AlphaAsGrey, Checkerboard };

// The source as the zoom scales it: 32-bit, alpha 255 where the bitmap has none.
QImage ViewSourceOf(const TBitmap& bitmap);

// Renders `region` of the source (from ViewSourceOf) scaled to viewSize, with the alpha view
// applied, into 32-bit pixels (blue, green, red, alpha) at `target`, rows `stride` bytes
// apart. forDisplay then sets every alpha byte to 255, as the screen shows the view without
// its alpha. The region must lie inside the view.
void RenderViewRegionInto(const QImage& source, QSize viewSize, const QRect& region, bool lanczos,
                          AlphaView alphaView, bool forDisplay, std::uint8_t* target,
                          qsizetype stride);

// The same into a new 32-bit image of the region's size, alpha as the view has it.
QImage RenderViewRegion(const QImage& source, QSize viewSize, const QRect& region, bool lanczos,
                        AlphaView alphaView);

}  // namespace ondrel
