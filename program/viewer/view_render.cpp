#include "view_render.hpp"

#include <new>
#include <stdexcept>

#include "resample.hpp"

namespace ondrel {
namespace {

struct Pixels {
  std::uint8_t* first;
  qsizetype stride;
  int width, height;
  std::uint8_t* row(int y) const { return first + y * stride; }
};

// One pass over the scaled pixels for the alpha view and, for the screen, opaque alpha.
void AlphaAsGrey(const Pixels& px, bool forDisplay) {
  for (int y = 0; y < px.height; ++y) {
    std::uint8_t* p = px.row(y);
    for (int x = 0; x < px.width; ++x, p += 4) {
      p[0] = p[1] = p[2] = p[3];
      if (forDisplay) p[3] = 255;
    }
  }
}

// Cells of 8 x 8 view pixels, grey 192 in the view's top-left cell, 255 beside it; the blend
// rounds down, as the whole-bitmap version does. The result is opaque.
void OverCheckerboard(const Pixels& px, QPoint origin) {
  for (int y = 0; y < px.height; ++y) {
    std::uint8_t* p = px.row(y);
    const int rowCell = (origin.y() + y) / 8;
    for (int x = 0; x < px.width; ++x, p += 4) {
      const unsigned background = ((origin.x() + x) / 8 + rowCell) % 2 == 0 ? 192 : 255;
      const unsigned a = p[3];
      for (int c = 0; c < 3; ++c) p[c] = std::uint8_t((background * (255 - a) + p[c] * a) / 255);
      p[3] = 255;
    }
  }
}

void Opaque(const Pixels& px) {
  for (int y = 0; y < px.height; ++y) {
    std::uint8_t* p = px.row(y);
    for (int x = 0; x < px.width; ++x) p[4 * x + 3] = 255;
  }
}

}  // namespace

QImage ViewSourceOf(const TBitmap& bitmap) {
  if (bitmap.empty()) return {};
  if (bitmap.pixelFormat() == PixelFormat::Bit32) return bitmap.image();
  TBitmap copy(bitmap);
  copy.setPixelFormat(PixelFormat::Bit32);
  return copy.image();
}

void RenderViewRegionInto(const QImage& source, QSize viewSize, const QRect& region, bool lanczos,
                          AlphaView alphaView, bool forDisplay, std::uint8_t* target,
                          qsizetype stride) {
  if (region.isEmpty()) return;
  if (source.isNull() || !QRect(QPoint(0, 0), viewSize).contains(region))
    throw std::invalid_argument("view region outside the view");
  const Pixels px{target, stride, region.width(), region.height()};
  ormel::ScaleRegion({source.constBits(), std::uint32_t(source.width()),
                      std::uint32_t(source.height()), std::size_t(source.bytesPerLine())},
                     std::uint32_t(viewSize.width()), std::uint32_t(viewSize.height()),
                     {std::uint32_t(region.x()), std::uint32_t(region.y()),
                      std::uint32_t(region.width()), std::uint32_t(region.height())},
                     {target, std::uint32_t(px.width), std::uint32_t(px.height), std::size_t(stride)},
                     lanczos);
  switch (alphaView) {
    case AlphaView::Colours:
      if (forDisplay) Opaque(px);
      break;
    case AlphaView::AlphaAsGrey: AlphaAsGrey(px, forDisplay); break;
    case AlphaView::Checkerboard: OverCheckerboard(px, region.topLeft()); break;
  }
}

QImage RenderViewRegion(const QImage& source, QSize viewSize, const QRect& region, bool lanczos,
                        AlphaView alphaView) {
  if (region.isEmpty()) return {};
  QImage pixels(region.size(), QImage::Format_ARGB32);
  if (pixels.isNull()) throw std::bad_alloc();
  RenderViewRegionInto(source, viewSize, region, lanczos, alphaView, false, pixels.bits(),
                       pixels.bytesPerLine());
  return pixels;
}

}  // namespace ondrel
