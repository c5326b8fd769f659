#include "view_layout.hpp"

#include <algorithm>
#include <cmath>

namespace ondrel {

int ViewOrigin(int viewSide, int viewportSide) {
  const int centred = viewSide < viewportSide ? (viewportSide - viewSide) / 2 : kViewMargin;
  return std::max(centred, kViewMargin);
}

int ScrollRange(int viewSide, int viewportSide) {
  return std::max(0, ViewOrigin(viewSide, viewportSide) + viewSide + kViewMargin - viewportSide);
}

int AnchoredScroll(int oldView, int newView, int viewportSide, int oldScroll, int cursor) {
  const int range = ScrollRange(newView, viewportSide);
  if (oldView <= 0 || range == 0) return 0;
  // The point as a fraction of the view, so it lands on the same picture spot at any zoom.
  const double inView = oldScroll + cursor - ViewOrigin(oldView, viewportSide);
  const double fraction = inView / oldView;
  const double scroll = ViewOrigin(newView, viewportSide) + fraction * newView - cursor;
  return std::clamp(int(std::lround(scroll)), 0, range);
}

}  // namespace ondrel
