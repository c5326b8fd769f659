#include "image_view_widget.hpp"

#include <QFutureWatcher>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include "resample.hpp"
#include "view_layout.hpp"
#include "zoom_rules.hpp"

namespace ondrel {
namespace {

// Rendered around the visible part, so short scrolls need no new pixels.
constexpr int kTileMargin = 256;
// A Lanczos render of at most this many new pixels is quick enough to do at once.
constexpr qint64 kInlineLanczosPixels = 64 * 1024;
// One notch of a common mouse wheel.
constexpr int kWheelNotch = 120;

qint64 MissingPixels(const ViewTile& previous, const QRect& wanted) {
  const QRect shared = previous.pixels.isNull() ? QRect() : (previous.rect & wanted);
  return qint64(wanted.width()) * wanted.height() - qint64(shared.width()) * shared.height();
}

}  // namespace

struct ImageView::Job {
  quint64 generation = 0;
  QRect rect;
  bool delivered = false;  // the finished signal was handled
  std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
  QFutureWatcher<ViewTile> watcher;
};

ImageView::ImageView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setBackgroundRole(QPalette::Window);
  viewport()->setMouseTracking(true);
  horizontalScrollBar()->setSingleStep(24);
  verticalScrollBar()->setSingleStep(24);
}

ImageView::~ImageView() { cancelJob(); }

void ImageView::setSource(const TBitmap& source) {
  source_ = ViewSourceOf(source);
  sourceHasAlpha_ = source.pixelFormat() == PixelFormat::Bit32;
  viewSize_ = ZoomedSize(source_.size(), zoom_);
  pixelsChanged();
  updateScrollBars();
}

void ImageView::clearSource() { setSource(TBitmap()); }

bool ImageView::setZoom(int zoom) {
  if (!IsZoomInRange(zoom)) return false;
  zoom_ = zoom;
  viewSize_ = ZoomedSize(source_.size(), zoom_);
  pixelsChanged();
  centre();
  emit zoomApplied(zoom_);
  return true;
}

bool ImageView::setZoomAt(int zoom, QPoint anchor) {
  if (!IsZoomInRange(zoom)) return false;
  const QSize oldView = viewSize_;
  const QSize port = viewport()->size();
  const int x = AnchoredScroll(oldView.width(), ZoomedSide(source_.width(), zoom), port.width(),
                               horizontalScrollBar()->value(), anchor.x());
  const int y = AnchoredScroll(oldView.height(), ZoomedSide(source_.height(), zoom),
                               port.height(), verticalScrollBar()->value(), anchor.y());
  zoom_ = zoom;
  viewSize_ = ZoomedSize(source_.size(), zoom_);
  pixelsChanged();
  updateScrollBars();
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(y);
  emit zoomApplied(zoom_);
  return true;
}

void ImageView::setLanczos(bool lanczos) {
  if (lanczos == lanczos_) return;
  lanczos_ = lanczos;
  pixelsChanged();
}

void ImageView::setAlphaView(AlphaView alphaView) {
  if (alphaView == alphaView_) return;
  alphaView_ = alphaView;
  pixelsChanged();
}

void ImageView::centre() {
  updateScrollBars();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

QPoint ImageView::viewOffset() const {
  const QSize port = viewport()->size();
  return {ViewOrigin(viewSize_.width(), port.width()) - horizontalScrollBar()->value(),
          ViewOrigin(viewSize_.height(), port.height()) - verticalScrollBar()->value()};
}

bool ImageView::renderPending() const {
  return job_ && job_->generation == generation_ && !job_->delivered;
}

void ImageView::pixelsChanged() {
  ++generation_;
  // A job for pixels nobody will see any more only costs time.
  cancelJob();
  viewport()->update();
}

void ImageView::updateScrollBars() {
  const QSize port = viewport()->size();
  horizontalScrollBar()->setRange(0, ScrollRange(viewSize_.width(), port.width()));
  horizontalScrollBar()->setPageStep(port.width());
  verticalScrollBar()->setRange(0, ScrollRange(viewSize_.height(), port.height()));
  verticalScrollBar()->setPageStep(port.height());
}

QRect ImageView::visibleViewRect() const {
  const QRect view(QPoint(0, 0), viewSize_);
  return view & viewport()->rect().translated(-viewOffset());
}

QRect ImageView::wantedViewRect(const QRect& visible) const {
  return QRect(QPoint(0, 0), viewSize_) &
         visible.adjusted(-kTileMargin, -kTileMargin, kTileMargin, kTileMargin);
}

RegionRenderer ImageView::renderer(bool lanczos) const {
  // Values only: the renderer may run on a worker thread while the view changes.
  return [source = source_, viewSize = viewSize_, lanczos, alphaView = alphaView_](const QRect& r) {
    return DisplayPixels(RenderViewRegion(source, viewSize, r, lanczos, alphaView));
  };
}

void ImageView::ensureRendered(const QRect& visible) {
  if (visible.isEmpty()) return;
  if (tileGeneration_ == generation_ && tile_.covers(visible)) return;
  const QRect wanted = wantedViewRect(visible);
  const ViewTile previous = tileGeneration_ == generation_ ? tile_ : ViewTile{};
  if (!lanczos_ || MissingPixels(previous, wanted) <= kInlineLanczosPixels) {
    tile_ = ComposeTile(previous, wanted, renderer(lanczos_), QImage::Format_RGB32);
    tileGeneration_ = generation_;
    return;
  }
  if (!(renderPending() && job_->rect.contains(visible))) startLanczosJob(previous, wanted);
  // Until the Lanczos pixels arrive, the plain ones stand in for them.
  if (!(previewGeneration_ == generation_ && preview_.covers(visible))) {
    const ViewTile previousPreview = previewGeneration_ == generation_ ? preview_ : ViewTile{};
    preview_ = ComposeTile(previousPreview, wanted, renderer(false), QImage::Format_RGB32);
    previewGeneration_ = generation_;
  }
}

void ImageView::startLanczosJob(const ViewTile& previous, const QRect& wanted) {
  cancelJob();
  job_ = std::make_unique<Job>();
  job_->generation = generation_;
  job_->rect = wanted;
  Job* job = job_.get();
  connect(&job->watcher, &QFutureWatcher<ViewTile>::finished, this, [this, job] {
    // The job stays until the next one replaces it: a watcher is not deleted in its own signal.
    if (job != job_.get() || job->generation != generation_ || job->cancelled->load()) return;
    job->delivered = true;
    ViewTile result = job->watcher.result();
    if (result.pixels.isNull()) return;
    tile_ = std::move(result);
    tileGeneration_ = generation_;
    preview_ = {};
    viewport()->update();
  });
  job->watcher.setFuture(QtConcurrent::run(
      [previous, wanted, render = renderer(true), cancelled = job->cancelled] {
        return ComposeTile(previous, wanted, render, QImage::Format_RGB32, cancelled.get());
      }));
}

void ImageView::cancelJob() {
  if (!job_) return;
  job_->cancelled->store(true);
  // The worker keeps its own copies of everything it reads; its result is simply dropped.
  job_->watcher.disconnect(this);
  job_.reset();
}

void ImageView::paintEvent(QPaintEvent* event) {
  const QRect visible = visibleViewRect();
  ensureRendered(visible);
  QPainter painter(viewport());
  painter.setClipRegion(event->region());
  const QPoint offset = viewOffset();
  if (previewGeneration_ == generation_ && !preview_.pixels.isNull())
    painter.drawImage(preview_.rect.topLeft() + offset, preview_.pixels);
  if (tileGeneration_ == generation_ && !tile_.pixels.isNull())
    painter.drawImage(tile_.rect.topLeft() + offset, tile_.pixels);
}

void ImageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void ImageView::scrollContentsBy(int, int) { viewport()->update(); }

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint inView = event->position().toPoint() - viewOffset();
  if (source_.isNull() || !QRect(QPoint(0, 0), viewSize_).contains(inView)) {
    if (cursorOverPicture_) emit pixelLeft();
    cursorOverPicture_ = false;
  } else {
    // The source pixel the plain stretch shows there; the Lanczos view centres on it too.
    PixelReadout pixel;
    pixel.x = int(ormel::NearestSource(inView.x(), source_.width(), viewSize_.width()));
    pixel.y = int(ormel::NearestSource(inView.y(), source_.height(), viewSize_.height()));
    const std::uint8_t* p = source_.constScanLine(pixel.y) + 4 * pixel.x;
    pixel.blue = p[0];
    pixel.green = p[1];
    pixel.red = p[2];
    pixel.alpha = p[3];
    pixel.hasAlpha = sourceHasAlpha_;
    cursorOverPicture_ = true;
    emit pixelHovered(pixel);
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void ImageView::leaveEvent(QEvent* event) {
  if (cursorOverPicture_) emit pixelLeft();
  cursorOverPicture_ = false;
  QAbstractScrollArea::leaveEvent(event);
}

void ImageView::wheelEvent(QWheelEvent* event) {
  if (!event->modifiers().testFlag(Qt::ControlModifier)) {
    wheelRemainder_ = 0;
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  event->accept();
  if (source_.isNull()) return;
  // Fine-grained wheels and touchpads send parts of a notch: a step per whole notch.
  wheelRemainder_ += event->angleDelta().y();
  int zoom = zoom_;
  for (; wheelRemainder_ >= kWheelNotch; wheelRemainder_ -= kWheelNotch) zoom = ZoomInFrom(zoom);
  for (; wheelRemainder_ <= -kWheelNotch; wheelRemainder_ += kWheelNotch) zoom = ZoomOutFrom(zoom);
  if (zoom != zoom_) setZoomAt(zoom, event->position().toPoint());
}

}  // namespace ondrel
