// The program's bitmap: a thin class over QImage holding 24-bit (QImage::Format_BGR888:
// blue, green, red in memory) or 32-bit pixels (QImage::Format_ARGB32: blue, green, red,
// alpha in memory on little-endian machines). Copies share the pixels until one is changed.
// The image classes derive from it and override the load and the encoding of a file.
#pragma once

#include <QIODevice>
#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

#include "library_block.hpp"

namespace ondrel {

enum class PixelFormat { Empty, Bit24, Bit32, Other };

class TBitmap {
 public:
  TBitmap() = default;
  explicit TBitmap(QImage image) : image_(std::move(image)) {}
  virtual ~TBitmap() = default;
  TBitmap(const TBitmap&) = default;
  TBitmap& operator=(const TBitmap&) = default;

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }
  bool empty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }
  PixelFormat pixelFormat() const;

  // Converts in place; 24 -> 32 makes every alpha byte 255. An empty bitmap stays empty.
  void setPixelFormat(PixelFormat format);
  // Resizes to width x height in the current pixel format (24-bit when it has none); the
  // pixels are undefined afterwards.
  void setSize(int width, int height);
  // Replaces the pixels with an image of the given size and format, every byte zero (or,
  // for a caller that writes every pixel, only the bytes that pad rows to four).
  void reset(int width, int height, PixelFormat format, bool zeroed = true);
  void clear() { image_ = QImage(); }

  std::uint8_t* scanLine(int y) { return image_.scanLine(y); }
  const std::uint8_t* scanLine(int y) const { return image_.constScanLine(y); }
  int bytesPerPixel() const { return pixelFormat() == PixelFormat::Bit32 ? 4 : 3; }

  const QImage& image() const { return image_; }
  void assign(const TBitmap& other) { image_ = other.image_; }
  void assign(QImage image) { image_ = std::move(image); }

  // Replaces the bitmap with the file in the stream (read from position 0). A file the class
  // does not recognise leaves the bitmap unchanged; errors throw.
  virtual void LoadFromStream(QIODevice& stream);
  // Encodes the bitmap as a file of the class's format (Qt's BMP writer here).
  virtual EncodedFile Encode();
  // Appends the encoded file to the stream.
  virtual void SaveToStream(QIODevice& stream) { Encode().writeTo(stream); }

  // Lets `decode` write packed rows (width x bytes per pixel each, top row first) straight into
  // the bitmap's own memory: an image of width x height in `format`, not cleared first. It gets
  // the memory and its size and returns the size it decoded; a smaller result (a mipmap level)
  // is cut out of the packed rows. Throws ImageLoadError when the result would not fit.
  using PackedDecoder = std::function<QSize(std::uint8_t* pixels, std::size_t capacity)>;
  void decodePacked(int width, int height, PixelFormat format, const PackedDecoder& decode);
  // Swaps the rows top to bottom, in place.
  void flipRows();

  // Rows packed for an encoder (width x bytes per pixel each): the bitmap's own memory when its
  // rows are packed and wanted top row first, else a packed copy. Valid while the bitmap is
  // not changed.
  class PackedRows {
   public:
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

   private:
    friend class TBitmap;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::vector<std::uint8_t> copy_;
  };
  PackedRows packedRows(bool bottomUp = false) const;

  // Copies packed rows (width x bytesPerPixel bytes each, top row first) into the bitmap,
  // optionally bottom row first.
  void copyFromPacked(const std::uint8_t* packed, bool bottomUp = false);
  // A packed copy of the rows, top row first (or bottom row first).
  std::vector<std::uint8_t> packed(bool bottomUp = false) const;

 private:
  std::size_t packedRowBytes() const { return std::size_t(width()) * std::size_t(bytesPerPixel()); }
  QImage image_;
};

}  // namespace ondrel
