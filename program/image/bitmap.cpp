#include "bitmap.hpp"

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
  if (zeroed && !image_.isNull()) image_.fill(0);
}

void TBitmap::LoadFromStream(QIODevice& stream) {
  QImage loaded;
  stream.seek(0);
  if (!loaded.load(&stream, nullptr)) return;
  image_ = loaded.convertToFormat(loaded.hasAlphaChannel() ? QImage::Format_ARGB32
                                                            : QImage::Format_BGR888);
}

void TBitmap::SaveToStream(QIODevice& stream) {
  if (!image_.save(&stream, "BMP")) throw std::runtime_error("cannot write the bitmap");
}

void TBitmap::copyFromPacked(const std::uint8_t* packed, bool bottomUp) {
  const std::size_t rowBytes = std::size_t(width()) * bytesPerPixel();
  for (int y = 0; y < height(); ++y) {
    const int row = bottomUp ? height() - 1 - y : y;
    std::memcpy(scanLine(row), packed + rowBytes * std::size_t(y), rowBytes);
  }
}

std::vector<std::uint8_t> TBitmap::packed(bool bottomUp) const {
  const std::size_t rowBytes = std::size_t(width()) * bytesPerPixel();
  std::vector<std::uint8_t> out(rowBytes * std::size_t(height()));
  for (int y = 0; y < height(); ++y) {
    const int row = bottomUp ? height() - 1 - y : y;
    std::memcpy(out.data() + rowBytes * std::size_t(y), scanLine(row), rowBytes);
  }
  return out;
}

}  // namespace ondrel
