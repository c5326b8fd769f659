#include "om_jpg.hpp"

#include <vector>

#include "image_limits.hpp"
#include "library_block.hpp"
#include "ormel_blp.h"

namespace ondrel {

void TJpegBitmap::LoadFromStream(QIODevice& stream) {
  stream.seek(2);
  Quality = table_->present() ? EstimateJpegQuality(stream, *table_) : 0;
  stream.seek(2);
  const std::uint8_t frame = WalkToMarker(stream, 0xC0, 0xC2);
  if (frame == 0) return;  // no frame header: not a file we read
  Progressive = frame == 0xC2;
  const QByteArray sof = ReadExactly(stream, 7, "frame header");
  const std::uint32_t height = (std::uint8_t(sof[3]) << 8) | std::uint8_t(sof[4]);
  const std::uint32_t width = (std::uint8_t(sof[5]) << 8) | std::uint8_t(sof[6]);
  const QByteArray file = ReadWholeStream(stream);
  // Every 8 x 8 block of a component costs at least one bit of entropy-coded data.
  RequireImageFits("JPEG", width, height, std::uint64_t(file.size()),
                   std::uint64_t{width} * height / 512);
  std::vector<std::uint8_t> pixels(std::size_t{width} * height * 3);
  std::uint16_t w = static_cast<std::uint16_t>(width), h = static_cast<std::uint16_t>(height);
  JPG_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()),
                       std::size_t(file.size()), pixels.data(), pixels.size(), &w, &h);
  if (std::size_t{w} * h * 3 > pixels.size())
    throw ImageLoadError("JPEG: the decoded frame is larger than its header said");
  reset(w, h, PixelFormat::Bit24);
  copyFromPacked(pixels.data());
}

void TJpegBitmap::SaveToStream(QIODevice& stream) {
  if (width() > 65535 || height() > 65535) throw std::runtime_error("JPEG: image too large");
  setPixelFormat(PixelFormat::Bit24);
  const auto pixels = packed();
  LibraryBlock block;
  JPG_SaveToMemory(pixels.data(), static_cast<std::uint16_t>(width()),
                   static_cast<std::uint16_t>(height()), Quality, Progressive ? 1 : 0,
                   &block.data, &block.size);
  block.writeTo(stream, "JPEG");
}

}  // namespace ondrel
