#include "om_tga.hpp"

#include "image_limits.hpp"
#include "ormel_blp.h"

namespace ondrel {

using namespace tga_head;

TgaFacts TTGABitmap::facts() const {
  const int entryBits = Header[kColorMapType] == 1 ? Header[kColorMapEntrySize] : Header[kPixelDepth];
  return {Rle, Paletted, TopLeft, Colors, entryBits == 32 ? 8 : 0};
}

void TTGABitmap::LoadFromStream(QIODevice& stream) {
  stream.seek(0);
  const QByteArray head = stream.peek(kSize);
  if (head.size() < qsizetype(kSize)) throw ImageLoadError("The TGA file ends inside its header.");
  std::copy(head.begin(), head.end(), Header.begin());
  const std::uint8_t type = Header[kImageType];
  if (type != 1 && type != 2 && type != 9 && type != 10) return;  // not a type we read
  Paletted = type == 1 || type == 9;
  Rle = type == 9 || type == 10;
  const std::uint16_t mapLength = GetU16(Header, kColorMapLength);
  if (Paletted) Colors = mapLength;
  const std::uint8_t mapType = Header[kColorMapType];
  const int bpp = mapType == 0 ? Header[kPixelDepth] / 8 : mapType == 1 ? Header[kColorMapEntrySize] / 8 : 0;
  if (bpp != 3 && bpp != 4) return;
  const std::uint32_t w = GetU16(Header, kWidth), h = GetU16(Header, kHeight);
  TopLeft = (Header[kDescriptor] & kTopLeft) != 0;
  const QByteArray file = ReadWholeStream(stream);
  // The pixel data that the smallest valid file of this header holds: every pixel, or one
  // packet (header byte and one pixel) per 128 pixels when run-length encoded.
  const std::uint64_t pixels = std::uint64_t{w} * h;
  const std::uint64_t mapBytes = mapType == 1 ? std::uint64_t{mapLength} * (Header[kColorMapEntrySize] / 8u) : 0;
  const std::uint64_t pixelBytes = Paletted ? 1 : std::uint64_t(Header[kPixelDepth] / 8);
  const std::uint64_t data = Rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  RequireImageFits("TGA", w, h, std::uint64_t(file.size()), kSize + Header[kIdLength] + mapBytes + data);
  // The rows arrive in file order, straight into the bitmap; a bottom-up file is turned over.
  decodePacked(int(w), int(h), bpp == 4 ? PixelFormat::Bit32 : PixelFormat::Bit24,
               [&](std::uint8_t* out, std::size_t capacity) {
                 LoadWithLibrary("TGA", [&] {
                   TGA_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()),
                                        std::size_t(file.size()), out, capacity);
                 });
                 return QSize(int(w), int(h));
               });
  if (!TopLeft) flipRows();
}

EncodedFile TTGABitmap::Encode() {
  EncodedFile file;
  int bpp = pixelFormat() == PixelFormat::Bit24 ? 3 : pixelFormat() == PixelFormat::Bit32 ? 4 : 0;
  if (bpp == 0) return file;
  if (width() > 65535 || height() > 65535)
    throw ImageSaveError("A TGA image has at most 65535 pixels on a side.");
  Header.fill(0);
  if (Paletted) {
    Header[kColorMapType] = 1;
    PutU16(Header, kColorMapLength, Colors);
    Header[kColorMapEntrySize] = 24;
    Header[kPixelDepth] = 8;
    Header[kDescriptor] = 8;
    Header[kImageType] = Rle ? 9 : 1;
    setPixelFormat(PixelFormat::Bit32);
    bpp = 4;
  } else {
    Header[kPixelDepth] = std::uint8_t(bpp * 8);
    if (bpp == 4) Header[kDescriptor] |= 8;
    Header[kImageType] = Rle ? 10 : 2;
  }
  if (TopLeft) Header[kDescriptor] |= kTopLeft;
  PutU16(Header, kWidth, std::uint16_t(width()));
  PutU16(Header, kHeight, std::uint16_t(height()));
  const PackedRows pixels = packedRows(!TopLeft);
  // The ID-length byte carries the option bits to the library and is 0 in the file.
  Header[kIdLength] = std::uint8_t((Override ? 2 : 0) | (ErrorDiffusion ? 1 : 0) | (CompressPalette ? 4 : 0));
  SaveWithLibrary("TGA", file.block, [&] {
    TGA_SaveToMemory(pixels.data(), Header.data(), &file.block.data, &file.block.size);
  });
  Header[kIdLength] = 0;
  file.head = QByteArray(reinterpret_cast<const char*>(Header.data()), qsizetype(kSize));
  return file;
}

}  // namespace ondrel
