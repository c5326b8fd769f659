#include "om_bmp.hpp"

#include <QBuffer>
#include <QImageReader>

#include <cstdlib>
#include <cstring>

#include "file_heads.hpp"
#include "image_limits.hpp"

namespace ondrel {
namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr int kV5Header = 124;

// Fields of the file header and the info header, by their offset in the file.
constexpr std::size_t kFileSizeAt = 2, kPixelsAt = 10, kInfoSizeAt = 14, kWidthAt = 18,
                      kHeightAt = 22, kPlanesAt = 26, kBitCountAt = 28, kCompressionAt = 30,
                      kImageSizeAt = 34, kXPelsAt = 38, kYPelsAt = 42, kRedMaskAt = 54,
                      kGreenMaskAt = 58, kBlueMaskAt = 62, kAlphaMaskAt = 66, kColorSpaceAt = 70,
                      kIntentAt = 122;

std::int32_t GetI32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(GetU32(b, at));
}

}  // namespace

void TBitmapX::LoadFromStream(QIODevice& stream) {
  QByteArray file = ReadWholeStream(stream);
  const auto bytes = AsBytes(file);
  if (file.size() >= kFileHeader + kInfoHeader && GetU32(bytes, kInfoSizeAt) >= 40) {
    const std::int64_t width = GetI32(bytes, kWidthAt);
    const std::int64_t height = GetI32(bytes, kHeightAt);
    const int bitCount = GetU16(bytes, kBitCountAt);
    const std::uint32_t compression = GetU32(bytes, kCompressionAt);
    const std::uint64_t absHeight = std::uint64_t(std::llabs(height));
    const std::uint64_t uwidth = width < 0 ? ~0ull : std::uint64_t(width);
    // Uncompressed rows must all be in the file; run-length files can be any shorter.
    std::uint64_t minimum = 0;
    if ((compression == 0 || compression == 3) && uwidth <= kMaxImageSide) {
      const std::uint64_t stride = (uwidth * std::uint64_t(bitCount) + 31) / 32 * 4;
      minimum = std::uint64_t{GetU32(bytes, kPixelsAt)} + stride * absHeight;
    }
    RequireImageFits("BMP", uwidth, absHeight, std::uint64_t(file.size()), minimum);
    // The image-size field, recomputed as the header's own product (negative for top-down).
    const std::int64_t product = width * height * bitCount / 8;
    PutU32(AsWritableBytes(file), kImageSizeAt, static_cast<std::uint32_t>(product));
  }
  QBuffer buffer(&file);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "BMP");
  QImage image;
  if (!reader.read(&image)) return;  // not a bitmap Qt reads: unchanged
  assign(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                        : QImage::Format_BGR888));
}

EncodedFile TBitmapX::Encode() {
  EncodedFile file;
  file.head = EncodeBmp(*this);
  return file;
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
  if (total > 0x7FFFFFFF) throw ImageSaveError("The image is too large for a BMP file (2 GiB at most).");
  QByteArray file(qsizetype(total), '\0');
  const auto out = AsWritableBytes(file);
  file[0] = 'B';
  file[1] = 'M';
  PutU32(out, kFileSizeAt, std::uint32_t(total));
  PutU32(out, kPixelsAt, std::uint32_t(kFileHeader + info));
  PutU32(out, kInfoSizeAt, std::uint32_t(info));
  PutU32(out, kWidthAt, std::uint32_t(bitmap.width()));
  PutU32(out, kHeightAt, std::uint32_t(bitmap.height()));
  PutU16(out, kPlanesAt, 1);
  PutU16(out, kBitCountAt, std::uint16_t(bpp * 8));
  PutU32(out, kCompressionAt, alpha ? 3 : 0);  // BI_BITFIELDS with the alpha mask below, or BI_RGB
  PutU32(out, kImageSizeAt, std::uint32_t(dataSize));
  PutU32(out, kXPelsAt, 2835);  // 72 dpi
  PutU32(out, kYPelsAt, 2835);
  if (alpha) {
    PutU32(out, kRedMaskAt, 0x00FF0000u);
    PutU32(out, kGreenMaskAt, 0x0000FF00u);
    PutU32(out, kBlueMaskAt, 0x000000FFu);
    PutU32(out, kAlphaMaskAt, 0xFF000000u);
    PutU32(out, kColorSpaceAt, 0x73524742u);  // LCS_sRGB
    PutU32(out, kIntentAt, 4);                // rendering intent: pictures
  }
  char* rows = file.data() + kFileHeader + info;
  const std::size_t rowBytes = std::size_t(bitmap.width()) * bpp;
  for (int y = 0; y < bitmap.height(); ++y)
    std::memcpy(rows + stride * std::uint64_t(bitmap.height() - 1 - y), bitmap.scanLine(y), rowBytes);
  return file;
}

}  // namespace ondrel
