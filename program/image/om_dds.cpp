#include "om_dds.hpp"

#include <vector>

#include "image_limits.hpp"
#include "library_block.hpp"
#include "ormel_blp.h"

namespace ondrel {
namespace {

constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
constexpr std::uint32_t kDxt1 = 0x31545844, kDxt3 = 0x33545844, kDxt5 = 0x35545844;

std::uint32_t U32(const std::array<std::uint8_t, 128>& h, int at) {
  return std::uint32_t(h[at]) | (std::uint32_t(h[at + 1]) << 8) | (std::uint32_t(h[at + 2]) << 16) |
         (std::uint32_t(h[at + 3]) << 24);
}
void Put(std::array<std::uint8_t, 128>& h, int at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) h[at + i] = std::uint8_t(v >> (8 * i));
}

}  // namespace

void TDDSBitmap::LoadFromStream(QIODevice& stream) {
  stream.seek(0);
  const QByteArray head = stream.peek(128);
  if (head.size() < 4) return;
  if (head.size() < 128) {
    if (std::equal(head.begin(), head.begin() + 4, "DDS ")) throw ImageLoadError("DDS: the file ends inside its header");
    return;
  }
  std::copy(head.begin(), head.end(), Header.begin());
  if (U32(Header, 0) != kMagic) return;
  const std::uint32_t fourCC = U32(Header, 84);
  Compressed = fourCC == kDxt1 || fourCC == kDxt3 || fourCC == kDxt5;
  MipmapsMinus1 = Header[28];
  const std::uint32_t h = U32(Header, 12), w = U32(Header, 16);
  const std::uint32_t flags = U32(Header, 80), bitCount = U32(Header, 88);
  const QByteArray file = ReadWholeStream(stream);
  std::uint64_t minimum = 128;
  if (flags & 0x40) {
    minimum += std::uint64_t{w} * h * (bitCount / 8);
  } else if ((flags & 4) && Compressed) {
    minimum += ((std::uint64_t{w} + 3) / 4) * ((std::uint64_t{h} + 3) / 4) * (fourCC == kDxt1 ? 8 : 16);
  } else {
    // The library decodes no pixels of any other format; a blank image is no load.
    throw ImageLoadError("DDS: unsupported pixel format");
  }
  RequireImageFits("DDS", w, h, std::uint64_t(file.size()), minimum);
  // DXT blocks decode to four bytes a pixel; the bit count describes RGB files only.
  const bool rgb = (flags & 0x40) != 0;
  if (rgb && bitCount != 0 && bitCount != 24 && bitCount != 32)
    throw ImageLoadError("DDS: unsupported RGB bit count");
  std::vector<std::uint8_t> buffer(std::uint64_t{w} * h * 4);
  std::uint16_t outW = 0, outH = 0;
  DDS_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()),
                       buffer.data(), buffer.size(), &outW, &outH);
  const int bpp = rgb && bitCount == 24 ? 3 : 4;
  if (std::uint64_t{outW} * outH * bpp > buffer.size())
    throw ImageLoadError("DDS: the decoded surface is larger than its header said");
  reset(outW, outH, bpp == 4 ? PixelFormat::Bit32 : PixelFormat::Bit24);
  if (!empty()) copyFromPacked(buffer.data());
}

void TDDSBitmap::SaveToStream(QIODevice& stream) {
  const bool alpha = pixelFormat() == PixelFormat::Bit32;
  if (!alpha) setPixelFormat(PixelFormat::Bit24);
  const bool mipmaps = MipmapsMinus1 != 0;
  const std::uint32_t w = std::uint32_t(width()), h = std::uint32_t(height());
  Header.fill(0);
  Put(Header, 0, kMagic);
  Put(Header, 4, 124);
  Put(Header, 8, 0x81007u | (mipmaps ? 0x20008u : 0));
  Put(Header, 12, h);
  Put(Header, 16, w);
  Put(Header, 28, MipmapsMinus1);
  Put(Header, 76, 32);
  Put(Header, 108, 0x1000u | (mipmaps ? 0x400008u : 0));
  Put(Header, 112, ErrorDiffusion ? 1 : 0);
  if (Compressed) {
    Put(Header, 80, 4);
    Put(Header, 84, alpha ? kDxt5 : kDxt1);
    Put(Header, 20, alpha ? w * h : w * h / 2);
  } else {
    Put(Header, 80, alpha ? 0x41 : 0x40);
    Put(Header, 88, alpha ? 32 : 24);
    Put(Header, 92, 0xFF0000);
    Put(Header, 96, 0xFF00);
    Put(Header, 100, 0xFF);
    if (alpha) Put(Header, 104, 0xFF000000u);
    Put(Header, 20, w * h * (alpha ? 4 : 3));
  }
  const auto pixels = packed();
  LibraryBlock block;
  DDS_SaveToMemory(pixels.data(), Header.data(), &block.data, &block.size);
  block.writeTo(stream, "DDS");
}

}  // namespace ondrel
