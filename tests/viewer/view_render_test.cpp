// Any rectangle of the view rendered on its own equals that rectangle of the whole view made
// the way the zoom makes it: the source scaled to the view size, then the alpha view applied
// to the scaled pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "ImgUtils.hpp"
#include "resample.hpp"
#include "test_files.hpp"
#include "view_render.hpp"
#include "view_tile.hpp"
#include "zoom_rules.hpp"

namespace ondrel {
namespace {

// The whole view: the scaled source, then alpha as grey or the checkerboard over it.
TBitmap WholeView(const TBitmap& source, int zoom, bool lanczos, AlphaView alphaView) {
  TBitmap source32(source);
  source32.setPixelFormat(PixelFormat::Bit32);
  const QSize size = ZoomedSize(QSize(source.width(), source.height()), zoom);
  TBitmap view;
  view.reset(size.width(), size.height(), PixelFormat::Bit32);
  const QImage& s = source32.image();
  QImage v = view.image();
  ormel::ScaleBitmap({s.constBits(), std::uint32_t(s.width()), std::uint32_t(s.height()),
                      std::size_t(s.bytesPerLine())},
                     {v.bits(), std::uint32_t(v.width()), std::uint32_t(v.height()),
                      std::size_t(v.bytesPerLine())},
                     lanczos);
  view.assign(v);
  if (alphaView == AlphaView::AlphaAsGrey) ShowAlphaAsGrey(view);
  if (alphaView == AlphaView::Checkerboard) CompositeOnChecker(view);
  return view;
}

// The first differing pixel, as text, or empty when the region matches.
std::string Difference(const TBitmap& whole, const QRect& region, const QImage& part) {
  if (part.size() != region.size()) return "size differs";
  for (int y = 0; y < region.height(); ++y) {
    const std::uint8_t* a = whole.scanLine(region.y() + y) + 4 * region.x();
    const std::uint8_t* b = part.constScanLine(y);
    for (int x = 0; x < 4 * region.width(); ++x)
      if (a[x] != b[x])
        return "view pixel " + std::to_string(region.x() + x / 4) + "," +
               std::to_string(region.y() + y) + " byte " + std::to_string(x % 4);
  }
  return {};
}

// Rectangles over the view: the whole, its corners, a column, a row, and pieces that start
// inside a checkerboard cell.
std::vector<QRect> Regions(QSize view) {
  const int w = view.width(), h = view.height();
  std::vector<QRect> r{QRect(0, 0, w, h),
                       QRect(0, 0, (w + 2) / 3, (h + 1) / 2),
                       QRect(w - (w + 3) / 4, h - (h + 4) / 5, (w + 3) / 4, (h + 4) / 5),
                       QRect(w / 2, 0, 1, h),
                       QRect(0, h / 2, w, 1),
                       QRect(w / 3, h / 3, (w + 2) / 3, (h + 2) / 3),
                       QRect(std::min(w - 1, 5), std::min(h - 1, 3), std::max(1, w - 11),
                             std::max(1, h - 7))};
  std::erase_if(r, [&](const QRect& q) { return q.isEmpty() || !QRect(0, 0, w, h).contains(q); });
  return r;
}

struct Source {
  const char* name;
  TBitmap bitmap;
};

std::vector<Source> Sources() {
  return {{"alpha 23x17", ondrel_test::PhotoBitmap(23, 17, true)},
          {"opaque 24-bit 13x29", ondrel_test::PhotoBitmap(13, 29, false, 3)},
          {"one column 1x9", ondrel_test::PhotoBitmap(1, 9, true, 5)}};
}

TEST(ViewRegions, EqualTheWholeViewAtEveryZoomModeAndAlphaView) {
  const int zooms[] = {5, 37, 90, 100, 150, 175, 400, 1000, 2000};
  for (const Source& source : Sources()) {
    const QImage viewSource = ViewSourceOf(source.bitmap);
    for (const int zoom : zooms)
      for (const bool lanczos : {false, true})
        for (const AlphaView alphaView :
             {AlphaView::Colours, AlphaView::AlphaAsGrey, AlphaView::Checkerboard}) {
          const TBitmap whole = WholeView(source.bitmap, zoom, lanczos, alphaView);
          const QSize viewSize(whole.width(), whole.height());
          for (const QRect& region : Regions(viewSize)) {
            const QImage part = RenderViewRegion(viewSource, viewSize, region, lanczos, alphaView);
            ASSERT_EQ(Difference(whole, region, part), "")
                << source.name << " at " << zoom << "% lanczos " << lanczos << " alpha view "
                << int(alphaView) << " region " << region.x() << "," << region.y() << " "
                << region.width() << "x" << region.height();
          }
        }
  }
}

TEST(ViewRegions, AnEmptyViewRendersNothingAndARegionOutsideIsRefused) {
  const QImage source = ViewSourceOf(ondrel_test::PhotoBitmap(23, 17, true));
  EXPECT_TRUE(RenderViewRegion(source, QSize(0, 0), QRect(), true, AlphaView::Colours).isNull());
  EXPECT_THROW(RenderViewRegion(source, QSize(46, 34), QRect(40, 0, 7, 1), false, AlphaView::Colours),
               std::invalid_argument);
}

TEST(ViewTiles, AComposedTileEqualsADirectRender) {
  const QImage source = ViewSourceOf(ondrel_test::PhotoBitmap(40, 30, true));
  const QSize view = ZoomedSize(source.size(), 1000);  // 400 x 300
  for (const bool lanczos : {false, true}) {
    const RegionRenderer render = [&](const QRect& r, std::uint8_t* target, qsizetype stride) {
      RenderViewRegionInto(source, view, r, lanczos, AlphaView::Checkerboard, false, target, stride);
    };
    // A first tile, then tiles that overlap it on each side, one inside it, one apart; more
    // than one band of rows each.
    const ViewTile first = ComposeTile({}, QRect(100, 80, 150, 140), render);
    for (const QRect& next : {QRect(60, 20, 150, 140), QRect(180, 150, 200, 150),
                              QRect(120, 100, 50, 50), QRect(0, 0, 90, 70),
                              QRect(0, 0, 400, 300)}) {
      const ViewTile tile = ComposeTile(first, next, render);
      const QImage direct = RenderViewRegion(source, view, next, lanczos, AlphaView::Checkerboard);
      ASSERT_EQ(tile.rect, next);
      for (int y = 0; y < next.height(); ++y)
        ASSERT_EQ(std::memcmp(tile.pixels.constScanLine(y), direct.constScanLine(y),
                              std::size_t(next.width()) * 4),
                  0)
            << "lanczos " << lanczos << " row " << y;
    }
  }
}

TEST(ViewTiles, ACancelledRenderYieldsNoTile) {
  const std::atomic<bool> cancelled{true};
  int calls = 0;
  const ViewTile tile = ComposeTile(
      {}, QRect(0, 0, 10, 10), [&](const QRect&, std::uint8_t*, qsizetype) { ++calls; },
      QImage::Format_ARGB32, &cancelled);
  EXPECT_TRUE(tile.pixels.isNull());
  EXPECT_EQ(calls, 0);
}

// For the screen the same pixels come out with alpha 255.
TEST(ViewRegions, ForDisplayOnlyAlphaBecomesOpaque) {
  const TBitmap bitmap = ondrel_test::PhotoBitmap(23, 17, true);
  const QImage source = ViewSourceOf(bitmap);
  const QSize view(70, 51);
  const QRect region(9, 4, 50, 40);
  for (const AlphaView alphaView :
       {AlphaView::Colours, AlphaView::AlphaAsGrey, AlphaView::Checkerboard}) {
    QImage expected = RenderViewRegion(source, view, region, true, alphaView);
    for (int y = 0; y < expected.height(); ++y)
      for (int x = 0; x < expected.width(); ++x) expected.scanLine(y)[4 * x + 3] = 255;
    QImage shown(region.size(), QImage::Format_RGB32);
    RenderViewRegionInto(source, view, region, true, alphaView, true, shown.bits(), shown.bytesPerLine());
    for (int y = 0; y < expected.height(); ++y)
      ASSERT_EQ(std::memcmp(shown.constScanLine(y), expected.constScanLine(y), 4 * 50), 0)
          << int(alphaView) << " row " << y;
  }
}

TEST(ViewTiles, ARecycledBufferIsWrittenOver) {
  QImage buffer(30, 20, QImage::Format_RGB32);
  buffer.fill(Qt::red);
  const std::uint8_t* bits = buffer.constBits();
  const ViewTile tile = ComposeTile(
      {}, QRect(5, 5, 30, 20),
      [](const QRect& r, std::uint8_t* target, qsizetype stride) {
        for (int y = 0; y < r.height(); ++y) std::memset(target + y * stride, 7, 4 * r.width());
      },
      QImage::Format_RGB32, nullptr, std::move(buffer));
  EXPECT_EQ(tile.pixels.constBits(), bits);
  EXPECT_EQ(tile.pixels.constScanLine(19)[4 * 29], 7);
}

}  // namespace
}  // namespace ondrel
