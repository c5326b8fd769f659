// The picture area, headless: the scroll range and positions of a view that exists only in
// part, the pixels it shows against the whole view, Lanczos renders on a worker thread with
// stale ones dropped, the pixel readout, and Ctrl + wheel zoom around the cursor.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstring>

#include "image_view_widget.hpp"
#include "test_files.hpp"
#include "view_layout.hpp"
#include "zoom_rules.hpp"

namespace ondrel {
namespace {

class PictureArea : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.resize(420, 300);
    view_.show();
    ASSERT_TRUE(WaitUntil([&] { return view_.isVisible(); }));
    Paint();  // an empty area paints nothing
  }

  template <typename Condition>
  static bool WaitUntil(Condition done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }

  // Paints the viewport now, as the screen would.
  void Paint() { view_.viewport()->grab(); }

  // What the viewport shows where the view is: must equal the view rendered in one piece.
  std::string ShownMatchesView(const TBitmap& source) {
    const QImage shown = view_.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint offset = view_.viewOffset();
    const QRect visible =
        QRect(QPoint(0, 0), view_.viewSize()) & shown.rect().translated(-offset);
    if (visible.isEmpty()) return "nothing visible";
    QImage expected(visible.size(), QImage::Format_RGB32);
    RenderViewRegionInto(ViewSourceOf(source), view_.viewSize(), visible, view_.lanczos(),
                         view_.alphaView(), true, expected.bits(), expected.bytesPerLine());
    for (int y = 0; y < visible.height(); ++y)
      if (std::memcmp(shown.constScanLine(visible.y() + offset.y() + y) + 4 * (visible.x() + offset.x()),
                      expected.constScanLine(y), std::size_t(visible.width()) * 4) != 0)
        return "row " + std::to_string(visible.y() + y) + " differs";
    return {};
  }

  ImageView view_;
};

TEST_F(PictureArea, ScrollsAsIfTheWholeViewExisted) {
  const TBitmap source = ondrel_test::PhotoBitmap(300, 200, true);
  view_.setSource(source);
  ASSERT_TRUE(view_.setZoom(2000));
  EXPECT_EQ(view_.viewSize(), QSize(6000, 4000));
  const QSize port = view_.viewport()->size();
  EXPECT_EQ(view_.horizontalScrollBar()->maximum(), ScrollRange(6000, port.width()));
  EXPECT_EQ(view_.verticalScrollBar()->maximum(), ScrollRange(4000, port.height()));
  EXPECT_EQ(view_.viewOffset(), QPoint(kViewMargin, kViewMargin));
  EXPECT_EQ(ShownMatchesView(source), "");

  view_.horizontalScrollBar()->setValue(3001);
  view_.verticalScrollBar()->setValue(view_.verticalScrollBar()->maximum());
  EXPECT_EQ(view_.viewOffset(), QPoint(kViewMargin - 3001, kViewMargin - view_.verticalScrollBar()->maximum()));
  EXPECT_EQ(ShownMatchesView(source), "");

  // A zoom step centres: scroll positions back to 0; a small view sits in the middle.
  ASSERT_TRUE(view_.setZoom(50));
  EXPECT_EQ(view_.horizontalScrollBar()->value(), 0);
  EXPECT_EQ(view_.viewOffset(), QPoint((port.width() - 150) / 2, (port.height() - 100) / 2));
  EXPECT_EQ(ShownMatchesView(source), "");
  EXPECT_FALSE(view_.setZoom(2001));
  EXPECT_FALSE(view_.setZoom(0));
  EXPECT_EQ(view_.zoom(), 50);
}

TEST_F(PictureArea, AnAreaGrownToFitTheViewDropsItsScrollBars) {
  view_.setSource(ondrel_test::PhotoBitmap(500, 400, false));
  ASSERT_GT(view_.verticalScrollBar()->maximum(), 0);
  ASSERT_GT(view_.horizontalScrollBar()->maximum(), 0);
  // Exactly the view and its margins: it fits only once the scroll bars are gone.
  view_.resize(500 + 2 * kViewMargin, 400 + 2 * kViewMargin);
  ASSERT_TRUE(WaitUntil([&] { return view_.size() == QSize(516, 416); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(view_.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(view_.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view_.viewOffset(), QPoint(kViewMargin, kViewMargin));
}

TEST_F(PictureArea, ShowsTheAlphaViews) {
  const TBitmap source = ondrel_test::PhotoBitmap(60, 40, true);
  view_.setSource(source);
  view_.setZoom(400);
  for (const AlphaView alphaView : {AlphaView::AlphaAsGrey, AlphaView::Checkerboard}) {
    view_.setAlphaView(alphaView);
    view_.horizontalScrollBar()->setValue(37);
    EXPECT_EQ(ShownMatchesView(source), "") << int(alphaView);
  }
}

TEST_F(PictureArea, LanczosArrivesFromAWorkerAndStaleRendersAreDropped) {
  const TBitmap source = ondrel_test::PhotoBitmap(512, 512, true);
  view_.resize(800, 600);  // more than the picture area renders at once
  view_.setSource(source);
  view_.setLanczos(true);
  view_.setZoom(400);
  Paint();
  ASSERT_TRUE(view_.renderPending());
  // A newer zoom makes the pending render stale; only the newer one may be shown.
  view_.setZoom(800);
  view_.horizontalScrollBar()->setValue(1234);
  Paint();
  ASSERT_TRUE(WaitUntil([&] { return !view_.renderPending(); }));
  EXPECT_EQ(ShownMatchesView(source), "");
  // The margin follows in the background; a short scroll then needs no new render.
  ASSERT_TRUE(WaitUntil([&] { Paint(); return !view_.renderPending() && view_.marginRendered(); }));
  view_.horizontalScrollBar()->setValue(1234 + 200);
  Paint();
  EXPECT_FALSE(view_.renderPending());
  EXPECT_EQ(ShownMatchesView(source), "");
  // Scrolling past the rendered margin renders what comes into view.
  view_.verticalScrollBar()->setValue(2000);
  Paint();
  ASSERT_TRUE(WaitUntil([&] { return !view_.renderPending(); }));
  EXPECT_EQ(ShownMatchesView(source), "");
}

TEST_F(PictureArea, ReadsOutTheSourcePixelUnderTheCursor) {
  const TBitmap source = ondrel_test::PhotoBitmap(30, 20, true);
  view_.setSource(source);
  view_.setZoom(2000);
  std::optional<PixelReadout> hovered;
  int left = 0;
  QObject::connect(&view_, &ImageView::pixelHovered, [&](const PixelReadout& p) { hovered = p; });
  QObject::connect(&view_, &ImageView::pixelLeft, [&] { ++left; });

  view_.horizontalScrollBar()->setValue(100);
  // View pixel 100 - 8 + 57 = 149 -> source column 7; view row 33 - 8 = 25 -> source row 1.
  QMouseEvent move(QEvent::MouseMove, QPointF(57, 33), QPointF(57, 33), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(view_.viewport(), &move);
  ASSERT_TRUE(hovered.has_value());
  const std::uint8_t* p = source.scanLine(1) + 4 * 7;
  EXPECT_EQ(*hovered, (PixelReadout{7, 1, p[0], p[1], p[2], p[3], true}));
  EXPECT_EQ(PixelReadoutText(*hovered),
            QString("7, 1  B %1  G %2  R %3  A %4").arg(p[0]).arg(p[1]).arg(p[2]).arg(p[3]));

  // Into the margin around the view.
  view_.horizontalScrollBar()->setValue(0);
  QMouseEvent outside(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(view_.viewport(), &outside);
  EXPECT_EQ(left, 1);
}

TEST_F(PictureArea, CtrlWheelZoomsInStepsAroundTheCursor) {
  const TBitmap source = ondrel_test::PhotoBitmap(400, 300, false);
  view_.setSource(source);
  view_.setZoom(100);
  std::vector<int> applied;
  QObject::connect(&view_, &ImageView::zoomApplied, [&](int z) { applied.push_back(z); });
  view_.horizontalScrollBar()->setValue(50);
  view_.verticalScrollBar()->setValue(40);
  const QPoint cursor(150, 100);
  const QPointF before = QPointF(cursor - view_.viewOffset()) / 1.0;  // view pixel at 100 %

  auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event{QPointF(cursor), QPointF(cursor), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false};
    QCoreApplication::sendEvent(view_.viewport(), &event);
  };
  wheel(60, Qt::ControlModifier);  // half a notch: nothing yet
  EXPECT_EQ(view_.zoom(), 100);
  wheel(60, Qt::ControlModifier);
  EXPECT_EQ(view_.zoom(), 125);
  EXPECT_EQ(applied, std::vector<int>{125});
  const QPointF after = QPointF(cursor - view_.viewOffset()) / 1.25;
  EXPECT_NEAR(after.x(), before.x(), 1.0);
  EXPECT_NEAR(after.y(), before.y(), 1.0);

  wheel(-240, Qt::ControlModifier);  // two notches out: 125 -> 100 -> 90
  EXPECT_EQ(view_.zoom(), 90);
  // Without Ctrl the wheel scrolls and the zoom stays.
  wheel(-120, Qt::NoModifier);
  EXPECT_EQ(view_.zoom(), 90);
}

}  // namespace
}  // namespace ondrel
