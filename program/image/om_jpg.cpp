#include "om_jpg.hpp"

#include "image_limits.hpp"
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
  decodePacked(int(width), int(height), PixelFormat::Bit24, [&](std::uint8_t* out, std::size_t capacity) {
    std::uint16_t w = std::uint16_t(width), h = std::uint16_t(height);
    LoadWithLibrary("JPEG", [&] {
      JPG_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()),
                           std::size_t(file.size()), out, capacity, &w, &h);
    });
    return QSize(w, h);
  });
}

EncodedFile TJpegBitmap::Encode() {
  if (width() > 65535 || height() > 65535)
    throw ImageSaveError("A JPEG image has at most 65535 pixels on a side.");
  setPixelFormat(PixelFormat::Bit24);
  const PackedRows pixels = packedRows();
  EncodedFile file;
  SaveWithLibrary("JPEG", file.block, [&] {
    JPG_SaveToMemory(pixels.data(), static_cast<std::uint16_t>(width()),
                     static_cast<std::uint16_t>(height()), Quality, Progressive ? 1 : 0,
                     &file.block.data, &file.block.size);
  });
  return file;
}

}  // namespace ondrel
