#include "image_view_widget.hpp"

#include <QFutureWatcher>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

#include "resample.hpp"
#include "view_layout.hpp"
#include "zoom_rules.hpp"

namespace ondrel {
namespace {

// Rendered around the visible part, so short scrolls need no new pixels.
constexpr int kTileMargin = 256;
// A Lanczos render of at most this many new pixels (about a millisecond and a half) is
// quicker done at once than handed to a worker: the strips a scroll step uncovers.
constexpr qint64 kInlineLanczosPixels = 256 * 1024;
// One notch of a common mouse wheel.
constexpr int kWheelNotch = 120;

qint64 MissingPixels(const ViewTile& previous, const QRect& target) {
  const QRect shared = previous.pixels.isNull() ? QRect() : (previous.rect & target);
  return qint64(target.width()) * target.height() - qint64(shared.width()) * shared.height();
}

}  // namespace

struct ImageView::Job {
  quint64 generation = 0;
  QRect rect;
  bool forVisible = false;  // renders what is on screen, not the margin around it
  bool delivered = false;   // the finished signal was handled
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
  return job_ && job_->forVisible && job_->generation == generation_ && !job_->delivered;
}

bool ImageView::marginRendered() const {
  const QRect visible = visibleViewRect();
  return tileGeneration_ == generation_ && tile_.covers(wantedViewRect(visible));
}

void ImageView::pixelsChanged() {
  ++generation_;
  // A job for pixels nobody will see any more only costs time.
  cancelJob();
  viewport()->update();
}

void ImageView::updateScrollBars() {
  // A view that fits the area without scroll bars needs none, even while they are still shown
  // and take away the room it would fit in.
  const QSize whole = maximumViewportSize();
  const bool fits = ScrollRange(viewSize_.width(), whole.width()) == 0 &&
                    ScrollRange(viewSize_.height(), whole.height()) == 0;
  const QSize port = fits ? whole : viewport()->size();
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
  return [source = source_, viewSize = viewSize_, lanczos, alphaView = alphaView_](
             const QRect& region, std::uint8_t* target, qsizetype stride) {
    RenderViewRegionInto(source, viewSize, region, lanczos, alphaView, true, target, stride);
  };
}

QImage ImageView::takeBuffer(QSize size) {
  // Writing over a buffer of the right size spares the allocation and its page faults.
  if (spare_.size() == size) return std::exchange(spare_, QImage());
  if (tileGeneration_ != generation_ && tile_.pixels.size() == size)
    return std::exchange(tile_.pixels, QImage());
  return {};
}

void ImageView::replaceTile(ViewTile tile) {
  // Should a worker still share the old buffer, writing into it later makes a copy first.
  spare_ = std::exchange(tile_.pixels, QImage());
  tile_ = std::move(tile);
  tileGeneration_ = generation_;
}

void ImageView::ensureRendered(const QRect& visible) {
  if (visible.isEmpty()) return;
  const QRect wanted = wantedViewRect(visible);
  const bool current = tileGeneration_ == generation_;
  if (current && tile_.covers(visible)) {
    // The margin around the screen follows in the background, for the next scroll.
    if (lanczos_ && !tile_.covers(wanted) && !(job_ && !job_->delivered))
      startLanczosJob(tile_, wanted, false);
    return;
  }
  const ViewTile previous = current ? tile_ : ViewTile{};
  if (!lanczos_) {
    replaceTile(ComposeTile(previous, wanted, renderer(false), QImage::Format_RGB32, nullptr,
                            takeBuffer(wanted.size())));
    return;
  }
  // Lanczos: what is on screen first, with what is already rendered kept.
  const QRect target = previous.pixels.isNull() ? visible : (previous.rect | visible) & wanted;
  if (MissingPixels(previous, target) <= kInlineLanczosPixels) {
    replaceTile(ComposeTile(previous, target, renderer(true), QImage::Format_RGB32, nullptr,
                            takeBuffer(target.size())));
    return;
  }
  if (!(renderPending() && job_->rect.contains(visible))) startLanczosJob(previous, target, true);
  // Until the Lanczos pixels arrive, the plain ones stand in for them.
  if (!(previewGeneration_ == generation_ && preview_.covers(visible))) {
    const ViewTile previousPreview = previewGeneration_ == generation_ ? preview_ : ViewTile{};
    preview_ = ComposeTile(previousPreview, visible, renderer(false), QImage::Format_RGB32);
    previewGeneration_ = generation_;
  }
}

void ImageView::startLanczosJob(const ViewTile& previous, const QRect& target, bool forVisible) {
  cancelJob();
  job_ = std::make_unique<Job>();
  job_->generation = generation_;
  job_->rect = target;
  job_->forVisible = forVisible;
  Job* job = job_.get();
  connect(&job->watcher, &QFutureWatcher<ViewTile>::finished, this, [this, job] {
    if (job != job_.get()) return;
    job->delivered = true;
    ViewTile result = job->watcher.result();
    // The job stays until the next one replaces it: a watcher is not deleted in its own signal.
    if (job->generation != generation_ || job->cancelled->load() || result.pixels.isNull()) return;
    replaceTile(std::move(result));
    preview_ = {};
    viewport()->update();
  });
  job->watcher.setFuture(QtConcurrent::run(
      [previous, target, render = renderer(true), cancelled = job->cancelled,
       buffer = takeBuffer(target.size())]() mutable {
        return ComposeTile(previous, target, render, QImage::Format_RGB32, cancelled.get(),
                           std::move(buffer));
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
  for (; wheelRemainder_ >= kWheelNotch; wheelRemainder_ -= kWheelNotch)
    zoom = ZoomInFrom(zoom).value_or(zoom);
  for (; wheelRemainder_ <= -kWheelNotch; wheelRemainder_ += kWheelNotch)
    zoom = ZoomOutFrom(zoom).value_or(zoom);
  if (zoom != zoom_) setZoomAt(zoom, event->position().toPoint());
}

}  // namespace ondrel
