#include "qblphandler.hpp"

#include <QImage>
#include <QFileDevice>
#include <QIODevice>
#include <QImageReader>
#include <QSize>
#include <QVariant>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "texture_image.hpp"

using ondrel::texture::BlpTexture;
using ondrel::texture::Pixels;
using ondrel::texture::WriteKind;
using ondrel::texture::WriteOptions;

namespace {

// The viewer reads no larger file either: the largest a 16384 x 16384 image can need, with
// headroom.
constexpr qint64 kMaxFileBytes = qint64{1536} << 20;

// A file device must be a regular file: a FIFO or a device (/dev/zero) could be read for good.
// Other sequential devices (sockets, processes) are read up to the limit.
bool IsReadableKind(QIODevice& device) {
  auto* file = qobject_cast<QFileDevice*>(&device);
  if (file == nullptr || file->handle() < 0) return true;
  struct stat st {};
  return ::fstat(file->handle(), &st) == 0 && S_ISREG(st.st_mode);
}

std::span<const std::uint8_t> Bytes(const QByteArray& a) {
  return {reinterpret_cast<const std::uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}

// The rest of the device, at most `limit` bytes; empty when there is more. Reads what is there,
// never reserving the limit (QIODevice::read(limit) would).
QByteArray ReadUpTo(QIODevice& device, qint64 limit) {
  if (!device.isSequential()) {
    const qint64 remaining = device.size() - device.pos();
    return remaining <= limit ? device.read(remaining) : QByteArray();
  }
  QByteArray bytes;
  for (;;) {
    const QByteArray chunk = device.read(1 << 20);
    if (chunk.isEmpty() && !device.waitForReadyRead(1000)) break;
    bytes += chunk;
    if (bytes.size() > limit) return {};
  }
  return bytes;
}

QImage::Format FormatFor(const BlpTexture& texture) {
  return texture.hasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

// The reader's allocation limit in MiB (0: none). Qt 5 has none to set; its build refuses past
// Qt 6's default, as its allocateImage stand-in does.
int AllocationLimitMiB() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  return QImageReader::allocationLimit();
#else
  return 256;
#endif
}

}  // namespace

bool QBlpHandler::ExceedsAllocationLimit(std::uint64_t bytes) {
  const int limitMiB = AllocationLimitMiB();
  return limitMiB > 0 && bytes > std::uint64_t(limitMiB) << 20;
}

qint64 QBlpHandler::FileLimit() {
  // A file holds at most 4/3 of its level 0 (uncompressed, every level stored), so one more
  // than twice the allocation limit can hold no image the limit lets through.
  const int limitMiB = AllocationLimitMiB();
  if (limitMiB <= 0) return kMaxFileBytes;
  return std::min(kMaxFileBytes, (qint64{limitMiB} << 21) + (qint64{1} << 20));
}

bool QBlpHandler::canRead(QIODevice* device) {
  // Before any peek: Qt fills its read buffer from a file device, which on a FIFO waits.
  if (device == nullptr || !IsReadableKind(*device)) return false;
  const QByteArray magic = device->peek(4);
  return magic == "BLP1" || magic == "BLP2";
}

bool QBlpHandler::canRead() const {
  if (state_ == State::Ready) return true;
  if (state_ == State::Failed || !canRead(device())) return false;
  const_cast<QBlpHandler*>(this)->setFormat("blp");
  return true;
}

bool QBlpHandler::ensureOpen() const {
  if (state_ != State::Unread) return state_ == State::Ready;
  state_ = State::Failed;
  try {
    QIODevice* d = device();
    if (d == nullptr || !canRead(d)) return false;
    file_ = ReadUpTo(*d, FileLimit());
    texture_ = BlpTexture::Open(Bytes(file_));
    if (!texture_) return false;
    state_ = State::Ready;
    return true;
  } catch (...) {
    texture_.reset();
    file_.clear();
    return false;
  }
}

bool QBlpHandler::read(QImage* image) {
  if (image == nullptr || !ensureOpen()) return false;
  try {
    const QImage::Format format = FormatFor(*texture_);
    const auto expected = texture_->levelSize(level_);
    // The decoder's own buffer counts against the reader's allocation limit too, checked
    // before anything is decoded.
    const auto buffer = texture_->decodeBufferSize(level_);
    if (ExceedsAllocationLimit(std::uint64_t{buffer.width} * buffer.height * 4)) return false;
    QImage result;
    if (!allocateImage(QSize(int(expected.width), int(expected.height)), format, &result))
      return false;
    const Pixels pixels = texture_->decode(level_);
    if (!(pixels.size == expected) &&
        !allocateImage(QSize(int(pixels.size.width), int(pixels.size.height)), format, &result))
      return false;
    ondrel::texture::CopyPixels(pixels, result);
    *image = std::move(result);
    return true;
  } catch (...) {
    return false;
  }
}

bool QBlpHandler::write(const QImage& image) {
  try {
    if (image.isNull() || device() == nullptr) return false;
    const bool alpha = image.hasAlphaChannel();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    Pixels pixels;
    pixels.size = {std::uint32_t(argb.width()), std::uint32_t(argb.height())};
    const std::size_t row = std::size_t(argb.width()) * 4;
    pixels.bgra.resize(row * std::size_t(argb.height()));
    for (int y = 0; y < argb.height(); ++y)
      std::memcpy(pixels.bgra.data() + row * std::size_t(y), argb.constScanLine(y), row);

    WriteOptions options;
    const QByteArray kind = subType_.toLower();
    if (kind == "jpeg" || kind == "jpg") {
      options.kind = WriteKind::Jpeg;
    } else if (kind != "dxt") {
      return false;
    }
    if (quality_ >= 0) options.jpegQuality = quality_;
    const std::vector<std::uint8_t> file = ondrel::texture::WriteBlp(pixels, alpha, options);
    return device()->write(reinterpret_cast<const char*>(file.data()), qint64(file.size())) ==
           qint64(file.size());
  } catch (...) {
    return false;
  }
}

QVariant QBlpHandler::option(ImageOption option) const {
  switch (option) {
    case SubType:
      if (state_ == State::Unread && device() != nullptr && device()->isReadable() && canRead(device()))
        ensureOpen();
      if (texture_) {
        if (texture_->isJpeg()) return QByteArray("jpeg");
        if (texture_->isBlp1() || texture_->header().Encoding == 1) return QByteArray("paletted");
        return texture_->header().Encoding == 2 ? QByteArray("dxt") : QByteArray("bgra");
      }
      return subType_;
    case SupportedSubTypes:
      return QVariant::fromValue(QList<QByteArray>{"dxt", "jpeg"});
    case Quality:
      return quality_;
    case Size:
      if (ensureOpen()) {
        const auto s = texture_->levelSize(level_);
        return QSize(int(s.width), int(s.height));
      }
      return {};
    case ImageFormat:
      if (ensureOpen()) return FormatFor(*texture_);
      return {};
    default:
      return {};
  }
}

void QBlpHandler::setOption(ImageOption option, const QVariant& value) {
  if (option == SubType) subType_ = value.toByteArray();
  if (option == Quality) quality_ = value.toInt();
}

bool QBlpHandler::supportsOption(ImageOption option) const {
  return option == Size || option == ImageFormat || option == SubType ||
         option == SupportedSubTypes || option == Quality;
}

int QBlpHandler::imageCount() const { return ensureOpen() ? texture_->levelCount() : 0; }

bool QBlpHandler::jumpToImage(int imageNumber) {
  if (!ensureOpen() || imageNumber < 0 || imageNumber >= texture_->levelCount()) return false;
  level_ = imageNumber;
  return true;
}

bool QBlpHandler::jumpToNextImage() { return jumpToImage(level_ + 1); }

int QBlpHandler::currentImageNumber() const { return level_; }
