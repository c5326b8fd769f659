// The viewer's picture area: a scroll area over the zoomed view that behaves as if the whole
// view existed (scroll range, centring, positions), while only the visible part plus a margin
// is ever rendered. Plain scaling renders at once; a Lanczos render of more than a small strip
// runs on a worker thread, with a plain stand-in shown until it arrives and results of an
// older zoom, picture or option dropped; the margin follows in the background once the screen
// is done. Memory is bounded by the window, not by the zoom.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include <atomic>
#include <memory>

#include "bitmap.hpp"
#include "pixel_readout.hpp"
#include "view_render.hpp"
#include "view_tile.hpp"

template <typename T>
class QFutureWatcher;

namespace ondrel {

class ImageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ImageView(QWidget* parent = nullptr);
  ~ImageView() override;

  // Shows another picture at the current zoom and options; the scroll position is kept.
  void setSource(const TBitmap& source);
  void clearSource();

  // Draws the view at the zoom and centres it (scroll positions 0); false, changing nothing,
  // outside 1..2000. Emits zoomApplied.
  bool setZoom(int zoom);
  // Draws the view at the zoom keeping the picture point under `anchor` (viewport
  // coordinates) where it is; false outside 1..2000. Emits zoomApplied.
  bool setZoomAt(int zoom, QPoint anchor);
  int zoom() const { return zoom_; }

  void setLanczos(bool lanczos);
  bool lanczos() const { return lanczos_; }
  void setAlphaView(AlphaView alphaView);
  AlphaView alphaView() const { return alphaView_; }

  // Scroll positions 0, the view centred where it is smaller than the visible area.
  void centre();

  QSize sourceSize() const { return source_.size(); }
  QSize viewSize() const { return viewSize_; }
  // Where view pixel (0, 0) is in viewport coordinates at the current scroll position.
  QPoint viewOffset() const;
  // True while pixels on screen are being rendered on a worker thread and are not shown yet.
  bool renderPending() const;
  // True when the margin around the screen is rendered too.
  bool marginRendered() const;

 signals:
  // After every setZoom / setZoomAt, and after Ctrl + wheel zoomed: the box shows it.
  void zoomApplied(int zoom);
  // The cursor is over the picture: the source pixel under it.
  void pixelHovered(const ondrel::PixelReadout& pixel);
  // The cursor left the picture.
  void pixelLeft();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  struct Job;

  void pixelsChanged();
  void updateScrollBars();
  QRect visibleViewRect() const;
  QRect wantedViewRect(const QRect& visible) const;
  void ensureRendered(const QRect& visible);
  void startLanczosJob(const ViewTile& previous, const QRect& target, bool forVisible);
  void cancelJob();
  RegionRenderer renderer(bool lanczos) const;
  QImage takeBuffer(QSize size);
  void replaceTile(ViewTile tile);

  QImage source_;  // 32-bit
  bool sourceHasAlpha_ = false;
  int zoom_ = 100;
  QSize viewSize_{0, 0};
  bool lanczos_ = false;
  AlphaView alphaView_ = AlphaView::Colours;

  // Every change of picture, zoom or option starts a new generation; tiles and jobs of an
  // older one are never shown.
  quint64 generation_ = 1;
  ViewTile tile_;     // exact pixels of tileGeneration_
  quint64 tileGeneration_ = 0;
  ViewTile preview_;  // plain stand-in while a Lanczos job runs
  quint64 previewGeneration_ = 0;
  QImage spare_;      // a tile's buffer, for the next tile of the same size
  std::unique_ptr<Job> job_;

  int wheelRemainder_ = 0;
  bool cursorOverPicture_ = false;
};

}  // namespace ondrel
