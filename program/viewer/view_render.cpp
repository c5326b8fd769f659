#include "view_render.hpp"

#include <new>
#include <stdexcept>

#include "resample.hpp"

namespace ondrel {
namespace {

ormel::ImageView ViewOf(const QImage& image) {
  return {image.constBits(), std::uint32_t(image.width()), std::uint32_t(image.height()),
          std::size_t(image.bytesPerLine())};
}

ormel::MutableImageView MutableViewOf(QImage& image) {
  return {image.bits(), std::uint32_t(image.width()), std::uint32_t(image.height()),
          std::size_t(image.bytesPerLine())};
}

void AlphaAsGrey(QImage& pixels) {
  for (int y = 0; y < pixels.height(); ++y) {
    std::uint8_t* p = pixels.scanLine(y);
    for (int x = 0; x < pixels.width(); ++x, p += 4) p[0] = p[1] = p[2] = p[3];
  }
}

// Cells of 8 x 8 view pixels, grey 192 in the view's top-left cell, 255 beside it; the
// blend rounds down, as the whole-bitmap version does.
void OverCheckerboard(QImage& pixels, QPoint origin) {
  for (int y = 0; y < pixels.height(); ++y) {
    std::uint8_t* p = pixels.scanLine(y);
    const int rowCell = (origin.y() + y) / 8;
    for (int x = 0; x < pixels.width(); ++x, p += 4) {
      const unsigned background = ((origin.x() + x) / 8 + rowCell) % 2 == 0 ? 192 : 255;
      const unsigned a = p[3];
      for (int c = 0; c < 3; ++c) p[c] = std::uint8_t((background * (255 - a) + p[c] * a) / 255);
      p[3] = 255;
    }
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

QImage RenderViewRegion(const QImage& source, QSize viewSize, QRect region, bool lanczos,
                        AlphaView alphaView) {
  if (region.isEmpty()) return {};
  if (!QRect(QPoint(0, 0), viewSize).contains(region))
    throw std::invalid_argument("view region outside the view");
  QImage pixels(region.size(), QImage::Format_ARGB32);
  if (pixels.isNull()) throw std::bad_alloc();
  if (source.isNull()) {
    pixels.fill(0);
  } else {
    ormel::ScaleRegion(ViewOf(source), std::uint32_t(viewSize.width()),
                       std::uint32_t(viewSize.height()),
                       {std::uint32_t(region.x()), std::uint32_t(region.y()),
                        std::uint32_t(region.width()), std::uint32_t(region.height())},
                       MutableViewOf(pixels), lanczos);
  }
  ApplyAlphaView(pixels, region.topLeft(), alphaView);
  return pixels;
}

void ApplyAlphaView(QImage& pixels, QPoint origin, AlphaView alphaView) {
  switch (alphaView) {
    case AlphaView::Colours: break;
    case AlphaView::AlphaAsGrey: AlphaAsGrey(pixels); break;
    case AlphaView::Checkerboard: OverCheckerboard(pixels, origin); break;
  }
}

}  // namespace ondrel
