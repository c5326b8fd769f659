#include "om_tga.hpp"

#include <vector>

#include "image_limits.hpp"
#include "library_block.hpp"
#include "ormel_blp.h"

namespace ondrel {
namespace {

std::uint16_t U16(const std::array<std::uint8_t, 18>& h, int at) {
  return std::uint16_t(h[at] | (h[at + 1] << 8));
}
void PutU16(std::array<std::uint8_t, 18>& h, int at, std::uint16_t v) {
  h[at] = std::uint8_t(v);
  h[at + 1] = std::uint8_t(v >> 8);
}

}  // namespace

void TTGABitmap::LoadFromStream(QIODevice& stream) {
  stream.seek(0);
  const QByteArray head = stream.peek(18);
  if (head.size() < 18) throw ImageLoadError("TGA: the file ends inside its header");
  std::copy(head.begin(), head.end(), Header.begin());
  const std::uint8_t type = Header[2];
  if (type != 1 && type != 2 && type != 9 && type != 10) return;  // not a type we read
  Paletted = type == 1 || type == 9;
  Rle = type == 9 || type == 10;
  if (Paletted) Colors = U16(Header, 5);
  const int bpp = Header[1] == 0 ? Header[16] / 8 : Header[1] == 1 ? Header[7] / 8 : 0;
  if (bpp != 3 && bpp != 4) return;
  const std::uint32_t w = U16(Header, 12), h = U16(Header, 14);
  TopLeft = (Header[17] & 0x20) != 0;
  const QByteArray file = ReadWholeStream(stream);
  // The pixel data that the smallest valid file of this header holds: every pixel, or one
  // packet (header byte and one pixel) per 128 pixels when run-length encoded.
  const std::uint64_t pixels = std::uint64_t{w} * h;
  const std::uint64_t mapBytes = Header[1] == 1 ? std::uint64_t{U16(Header, 5)} * (Header[7] / 8u) : 0;
  const std::uint64_t pixelBytes = Paletted ? 1 : std::uint64_t(Header[16] / 8);
  const std::uint64_t data = Rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  RequireImageFits("TGA", w, h, std::uint64_t(file.size()), 18 + Header[0] + mapBytes + data);
  std::vector<std::uint8_t> buffer(pixels * bpp);
  TGA_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()),
                       std::size_t(file.size()), buffer.data(), buffer.size());
  reset(int(w), int(h), bpp == 4 ? PixelFormat::Bit32 : PixelFormat::Bit24);
  if (!empty()) copyFromPacked(buffer.data(), !TopLeft);
}

void TTGABitmap::SaveToStream(QIODevice& stream) {
  int bpp = pixelFormat() == PixelFormat::Bit24 ? 3 : pixelFormat() == PixelFormat::Bit32 ? 4 : 0;
  if (bpp == 0) return;
  if (width() > 65535 || height() > 65535) throw std::runtime_error("TGA: image too large");
  Header.fill(0);
  if (Paletted) {
    Header[1] = 1;
    PutU16(Header, 5, Colors);
    Header[7] = 24;
    Header[16] = 8;
    Header[17] = 8;
    Header[2] = Rle ? 9 : 1;
    setPixelFormat(PixelFormat::Bit32);
    bpp = 4;
  } else {
    Header[16] = std::uint8_t(bpp * 8);
    if (bpp == 4) Header[17] |= 8;
    Header[2] = Rle ? 10 : 2;
  }
  if (TopLeft) Header[17] |= 0x20;
  PutU16(Header, 12, std::uint16_t(width()));
  PutU16(Header, 14, std::uint16_t(height()));
  const auto pixels = packed(!TopLeft);
  // The ID-length byte carries the option bits to the library and is 0 in the file.
  Header[0] = std::uint8_t((Override ? 2 : 0) | (ErrorDiffusion ? 1 : 0) | (CompressPalette ? 4 : 0));
  LibraryBlock block;
  TGA_SaveToMemory(pixels.data(), Header.data(), &block.data, &block.size);
  Header[0] = 0;
  if (stream.write(reinterpret_cast<const char*>(Header.data()), 18) != 18)
    throw std::runtime_error("TGA: cannot write the file");
  block.writeTo(stream, "TGA");
}

}  // namespace ondrel
