#include "bitmap.hpp"

#include <QBuffer>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace ondrel {
namespace {

QImage::Format QtFormat(PixelFormat format) {
  return format == PixelFormat::Bit32 ? QImage::Format_ARGB32 : QImage::Format_BGR888;
}

QImage Allocate(int width, int height, PixelFormat format) {
  QImage image(width, height, QtFormat(format));
  if (image.isNull() && width > 0 && height > 0)
    throw std::bad_alloc();
  return image;
}

}  // namespace

PixelFormat TBitmap::pixelFormat() const {
  if (image_.isNull()) return PixelFormat::Empty;
  switch (image_.format()) {
    case QImage::Format_BGR888:
      return PixelFormat::Bit24;
    case QImage::Format_ARGB32:
      return PixelFormat::Bit32;
    default:
      return PixelFormat::Other;
  }
}

void TBitmap::setPixelFormat(PixelFormat format) {
  if (image_.isNull() || format == pixelFormat()) return;
  if (format != PixelFormat::Bit24 && format != PixelFormat::Bit32)
    throw std::invalid_argument("a bitmap is 24-bit or 32-bit");
  // ARGB32 -> BGR888 drops the alpha byte without blending; anything -> ARGB32 is opaque.
  image_ = image_.convertToFormat(QtFormat(format));
  if (image_.isNull()) throw std::bad_alloc();
}

void TBitmap::setSize(int width, int height) {
  const PixelFormat format = pixelFormat() == PixelFormat::Bit32 ? PixelFormat::Bit32 : PixelFormat::Bit24;
  if (!image_.isNull() && width == image_.width() && height == image_.height() &&
      pixelFormat() == format)
    return;
  image_ = Allocate(width, height, format);
}

void TBitmap::reset(int width, int height, PixelFormat format, bool zeroed) {
  image_ = Allocate(width, height, format);
  if (image_.isNull()) return;
  if (zeroed) {
    image_.fill(0);
    return;
  }
  // The caller writes every pixel; the bytes that pad a row to four stay defined all the same.
  const std::size_t row = packedRowBytes(), stride = std::size_t(image_.bytesPerLine());
  if (stride != row)
    for (int y = 0; y < height; ++y) std::memset(image_.scanLine(y) + row, 0, stride - row);
}

void TBitmap::LoadFromStream(QIODevice& stream) {
  QImage loaded;
  stream.seek(0);
  if (!loaded.load(&stream, nullptr)) return;
  image_ = loaded.convertToFormat(loaded.hasAlphaChannel() ? QImage::Format_ARGB32
                                                            : QImage::Format_BGR888);
}

EncodedFile TBitmap::Encode() {
  EncodedFile file;
  QBuffer buffer(&file.head);
  buffer.open(QIODevice::WriteOnly);
  if (!image_.save(&buffer, "BMP")) throw ImageSaveError("The bitmap cannot be encoded as BMP.");
  return file;
}

void TBitmap::decodePacked(int width, int height, PixelFormat format, const PackedDecoder& decode) {
  QImage image = Allocate(width, height, format);
  std::uint8_t* bits = image.isNull() ? nullptr : image.bits();
  const std::size_t capacity = image.isNull() ? 0 : std::size_t(image.sizeInBytes());
  const QSize size = decode(bits, capacity);
  if (size.isEmpty()) {
    image_ = QImage();
    return;
  }
  const int bpp = format == PixelFormat::Bit32 ? 4 : 3;
  const std::size_t row = std::size_t(size.width()) * bpp;
  if (size.width() > width || size.height() > height || row * std::size_t(size.height()) > capacity)
    throw ImageLoadError("The decoded image is larger than its file's header said.");
  if (size != image.size()) {
    // A smaller level: its packed rows are cut out into an image of their own.
    image_ = QImage(bits, size.width(), size.height(), qsizetype(row), QtFormat(format)).copy();
    if (image_.isNull()) throw std::bad_alloc();
    return;
  }
  // Rows padded to four bytes (24-bit, width not a multiple of 4): spread the packed rows to
  // their places, last row first, so no row is overwritten before it has moved.
  const std::size_t stride = std::size_t(image.bytesPerLine());
  if (stride != row)
    for (int y = height - 1; y >= 0; --y) {
      std::memmove(bits + stride * y, bits + row * y, row);
      std::memset(bits + stride * y + row, 0, stride - row);
    }
  image_ = std::move(image);
}

void TBitmap::flipRows() {
  const std::size_t row = packedRowBytes();
  for (int top = 0, bottom = height() - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(scanLine(top), scanLine(top) + row, scanLine(bottom));
}

TBitmap::PackedRows TBitmap::packedRows(bool bottomUp) const {
  PackedRows rows;
  rows.size_ = packedRowBytes() * std::size_t(height());
  if (!bottomUp && !image_.isNull() && std::size_t(image_.bytesPerLine()) == packedRowBytes()) {
    rows.data_ = image_.constBits();
    return rows;
  }
  rows.copy_ = packed(bottomUp);
  rows.data_ = rows.copy_.data();
  return rows;
}

void TBitmap::copyFromPacked(const std::uint8_t* packed, bool bottomUp) {
  const std::size_t rowBytes = packedRowBytes();
  for (int y = 0; y < height(); ++y) {
    const int row = bottomUp ? height() - 1 - y : y;
    std::memcpy(scanLine(row), packed + rowBytes * std::size_t(y), rowBytes);
  }
}

std::vector<std::uint8_t> TBitmap::packed(bool bottomUp) const {
  const std::size_t rowBytes = packedRowBytes();
  std::vector<std::uint8_t> out(rowBytes * std::size_t(height()));
  for (int y = 0; y < height(); ++y) {
    const int row = bottomUp ? height() - 1 - y : y;
    std::memcpy(out.data() + rowBytes * std::size_t(y), scanLine(row), rowBytes);
  }
  return out;
}

}  // namespace ondrel
