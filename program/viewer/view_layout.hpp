// Where the zoomed view sits in the scroll area, one axis at a time: centred when it is
// narrower than the visible area, else 8 pixels from the edge, with the scroll range of a
// view that existed as a whole. Also the scroll position that keeps a point in place while
// the zoom changes.
#pragma once

namespace ondrel {

// The space kept around the view on every side.
inline constexpr int kViewMargin = 8;

// Offset of the view's first pixel in the scrolled content.
int ViewOrigin(int viewSide, int viewportSide);

// The largest scroll position: the content is the view with a margin on both sides.
int ScrollRange(int viewSide, int viewportSide);

// The scroll position that keeps the picture point under `cursor` (viewport coordinate)
// under it after the view changed from oldView to newView pixels, clamped to the new range.
int AnchoredScroll(int oldView, int newView, int viewportSide, int oldScroll, int cursor);

}  // namespace ondrel
