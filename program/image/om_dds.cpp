#include "om_dds.hpp"

#include "image_limits.hpp"
#include "ormel_blp.h"

namespace ondrel {

using namespace dds_head;

DdsFacts TDDSBitmap::facts() const {
  DdsFacts f;
  f.Compressed = Compressed;
  f.MipmapCount = MipmapsMinus1;
  const std::uint32_t fourCC = GetU32(Header, kFourCC);
  if (Compressed)
    f.AlphaBits = fourCC == kDxt1 ? 0 : fourCC == kDxt3 ? 4 : 8;
  else
    f.AlphaBits = pixelFormat() == PixelFormat::Bit32 ? 8 : 0;
  return f;
}

void TDDSBitmap::LoadFromStream(QIODevice& stream) {
  stream.seek(0);
  const QByteArray head = stream.peek(kSize);
  if (head.size() < 4) return;
  if (GetU32(AsBytes(head), kMagic) != kMagicValue) return;
  if (head.size() < qsizetype(kSize)) throw ImageLoadError("The DDS file ends inside its header.");
  std::copy(head.begin(), head.end(), Header.begin());
  const std::uint32_t fourCC = GetU32(Header, kFourCC);
  Compressed = fourCC == kDxt1 || fourCC == kDxt3 || fourCC == kDxt5;
  MipmapsMinus1 = Header[kMipmapCount];
  const std::uint32_t h = GetU32(Header, kHeight), w = GetU32(Header, kWidth);
  const std::uint32_t flags = GetU32(Header, kPixelFormatFlags), bitCount = GetU32(Header, kRgbBitCount);
  const QByteArray file = ReadWholeStream(stream);
  const bool rgb = (flags & kRgbFlag) != 0;
  std::uint64_t minimum = kSize;
  if (rgb) {
    minimum += std::uint64_t{w} * h * (bitCount / 8);
  } else if ((flags & kFourCCFlag) && Compressed) {
    minimum += ((std::uint64_t{w} + 3) / 4) * ((std::uint64_t{h} + 3) / 4) * (fourCC == kDxt1 ? 8 : 16);
  } else {
    // The library decodes no pixels of any other format; a blank image is no load.
    throw ImageLoadError("The DDS file holds a pixel format this program does not read.");
  }
  RequireImageFits("DDS", w, h, std::uint64_t(file.size()), minimum);
  // DXT blocks decode to four bytes a pixel; the bit count describes RGB files only.
  if (rgb && bitCount != 0 && bitCount != 24 && bitCount != 32)
    throw ImageLoadError("The DDS file holds RGB pixels of " + std::to_string(bitCount) +
                         " bits; this program reads 24 and 32.");
  const PixelFormat format = rgb && bitCount == 24 ? PixelFormat::Bit24 : PixelFormat::Bit32;
  decodePacked(int(w), int(h), format, [&](std::uint8_t* out, std::size_t capacity) {
    std::uint16_t outW = 0, outH = 0;
    LoadWithLibrary("DDS", [&] {
      DDS_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()),
                           std::size_t(file.size()), out, capacity, &outW, &outH);
    });
    return QSize(outW, outH);
  });
}

EncodedFile TDDSBitmap::Encode() {
  const bool alpha = pixelFormat() == PixelFormat::Bit32;
  if (!alpha) setPixelFormat(PixelFormat::Bit24);
  const bool mipmaps = MipmapsMinus1 != 0;
  const std::uint32_t w = std::uint32_t(width()), h = std::uint32_t(height());
  Header.fill(0);
  PutU32(Header, kMagic, kMagicValue);
  PutU32(Header, kHeaderSize, 124);
  PutU32(Header, kFlags, 0x81007u | (mipmaps ? 0x20008u : 0));  // caps, sizes, pixel format, linear size
  PutU32(Header, kHeight, h);
  PutU32(Header, kWidth, w);
  PutU32(Header, kMipmapCount, MipmapsMinus1);
  PutU32(Header, kPixelFormatSize, 32);
  PutU32(Header, kCaps, 0x1000u | (mipmaps ? 0x400008u : 0));  // texture; mipmap, complex
  // The second caps word carries the error-diffusion request; the library clears it.
  PutU32(Header, kCaps2, ErrorDiffusion ? 1 : 0);
  if (Compressed) {
    PutU32(Header, kPixelFormatFlags, kFourCCFlag);
    PutU32(Header, kFourCC, alpha ? kDxt5 : kDxt1);
    PutU32(Header, kLinearSize, alpha ? w * h : w * h / 2);
  } else {
    PutU32(Header, kPixelFormatFlags, alpha ? 0x41 : kRgbFlag);  // with alpha pixels
    PutU32(Header, kRgbBitCount, alpha ? 32 : 24);
    PutU32(Header, kRedMask, 0xFF0000);
    PutU32(Header, kGreenMask, 0xFF00);
    PutU32(Header, kBlueMask, 0xFF);
    if (alpha) PutU32(Header, kAlphaMask, 0xFF000000u);
    PutU32(Header, kLinearSize, w * h * (alpha ? 4 : 3));
  }
  const PackedRows pixels = packedRows();
  EncodedFile file;
  SaveWithLibrary("DDS", file.block, [&] {
    DDS_SaveToMemory(pixels.data(), Header.data(), &file.block.data, &file.block.size);
  });
  return file;
}

}  // namespace ondrel
