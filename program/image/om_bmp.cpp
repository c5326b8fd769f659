#include "om_bmp.hpp"

#include <QBuffer>
#include <QImageReader>

#include <cstdlib>
#include <cstring>

#include "blp1_header.hpp"
#include "image_limits.hpp"

namespace ondrel {
namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr int kV5Header = 124;

std::int32_t GetI32(const QByteArray& b, int at) {
  return static_cast<std::int32_t>(
      GetU32({reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())}, std::size_t(at)));
}
std::uint16_t GetU16(const QByteArray& b, int at) {
  return static_cast<std::uint16_t>(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

void Put(QByteArray& b, int at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = char(v >> (8 * i));
}

}  // namespace

void TBitmapX::LoadFromStream(QIODevice& stream) {
  QByteArray file = ReadWholeStream(stream);
  if (file.size() >= kFileHeader + kInfoHeader && GetU32({reinterpret_cast<const std::uint8_t*>(file.constData()) + kFileHeader, 4}, 0) >= 40) {
    const std::int64_t width = GetI32(file, 18);
    const std::int64_t height = GetI32(file, 22);
    const int bitCount = GetU16(file, 28);
    const std::uint32_t compression = static_cast<std::uint32_t>(GetI32(file, 30));
    const std::uint64_t absHeight = std::uint64_t(std::llabs(height));
    const std::uint64_t uwidth = width < 0 ? ~0ull : std::uint64_t(width);
    // Uncompressed rows must all be in the file; run-length files can be any shorter.
    std::uint64_t minimum = 0;
    if ((compression == 0 || compression == 3) && uwidth <= kMaxImageSide) {
      const std::uint64_t stride = (uwidth * std::uint64_t(bitCount) + 31) / 32 * 4;
      minimum = std::uint64_t(std::uint32_t(GetI32(file, 10))) + stride * absHeight;
    }
    RequireImageFits("BMP", uwidth, absHeight, std::uint64_t(file.size()), minimum);
    // The image-size field, recomputed as the header's own product (negative for top-down).
    const std::int64_t product = width * height * bitCount / 8;
    Put(file, 34, static_cast<std::uint32_t>(product), 4);
  }
  QBuffer buffer(&file);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "BMP");
  QImage image;
  if (!reader.read(&image)) return;  // not a bitmap Qt reads: unchanged
  assign(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                        : QImage::Format_BGR888));
}

void TBitmapX::SaveToStream(QIODevice& stream) {
  const QByteArray file = EncodeBmp(*this);
  if (stream.write(file) != file.size()) throw std::runtime_error("BMP: cannot write the file");
}

QByteArray EncodeBmp(const TBitmap& source) {
  TBitmap bitmap(source);
  if (bitmap.pixelFormat() != PixelFormat::Bit32) bitmap.setPixelFormat(PixelFormat::Bit24);
  const bool alpha = bitmap.pixelFormat() == PixelFormat::Bit32;
  const int bpp = alpha ? 4 : 3;
  const std::uint64_t stride = (std::uint64_t(bitmap.width()) * bpp + 3) / 4 * 4;
  const int info = alpha ? kV5Header : kInfoHeader;
  const std::uint64_t dataSize = stride * std::uint64_t(bitmap.height());
  const std::uint64_t total = kFileHeader + info + dataSize;
  if (total > 0x7FFFFFFF) throw std::runtime_error("BMP: image too large");
  QByteArray file(qsizetype(total), '\0');
  file[0] = 'B';
  file[1] = 'M';
  Put(file, 2, std::uint32_t(total), 4);
  Put(file, 10, std::uint32_t(kFileHeader + info), 4);
  Put(file, 14, std::uint32_t(info), 4);
  Put(file, 18, std::uint32_t(bitmap.width()), 4);
  Put(file, 22, std::uint32_t(bitmap.height()), 4);
  Put(file, 26, 1, 2);
  Put(file, 28, std::uint32_t(bpp * 8), 2);
  Put(file, 30, alpha ? 3 : 0, 4);  // BI_BITFIELDS with the alpha mask below, or BI_RGB
  Put(file, 34, std::uint32_t(dataSize), 4);
  Put(file, 38, 2835, 4);  // 72 dpi
  Put(file, 42, 2835, 4);
  if (alpha) {
    Put(file, 54, 0x00FF0000u, 4);
    Put(file, 58, 0x0000FF00u, 4);
    Put(file, 62, 0x000000FFu, 4);
    Put(file, 66, 0xFF000000u, 4);
    Put(file, 70, 0x73524742u, 4);  // LCS_sRGB
    Put(file, 122, 4, 4);           // rendering intent: pictures
  }
  char* rows = file.data() + kFileHeader + info;
  const std::size_t rowBytes = std::size_t(bitmap.width()) * bpp;
  for (int y = 0; y < bitmap.height(); ++y)
    std::memcpy(rows + stride * std::uint64_t(bitmap.height() - 1 - y), bitmap.scanLine(y), rowBytes);
  return file;
}

}  // namespace ondrel
