#include "om_blp.hpp"

#include <vector>

#include "image_limits.hpp"
#include "library_block.hpp"
#include "ormel_blp.h"

namespace ondrel {
namespace {

std::uint32_t U32(const QByteArray& b, int at) {
  return std::uint32_t(std::uint8_t(b[at])) | (std::uint32_t(std::uint8_t(b[at + 1])) << 8) |
         (std::uint32_t(std::uint8_t(b[at + 2])) << 16) | (std::uint32_t(std::uint8_t(b[at + 3])) << 24);
}

void Tables(const QByteArray& header, int offsetsAt, std::array<std::uint32_t, 16>& offsets,
            std::array<std::uint32_t, 16>& sizes) {
  for (int i = 0; i < 16; ++i) {
    offsets[i] = U32(header, offsetsAt + 4 * i);
    sizes[i] = U32(header, offsetsAt + 64 + 4 * i);
  }
}

// Palette entries up to the last non-zero one, walking back from the entry that ends where
// level 0 begins; never outside the 256 entries or the file.
std::uint32_t UsedPaletteEntries(const QByteArray& file, std::uint32_t levelStart) {
  const std::uint64_t end = std::min<std::uint64_t>({levelStart, 156 + 1024, std::uint64_t(file.size())});
  if (end < 156) return 1;
  std::uint32_t used = std::uint32_t((end - 156) / 4) + 1;
  for (std::int64_t pos = std::int64_t(end) - 4; pos >= 156; pos -= 4) {
    --used;
    if (U32(file, int(pos)) != 0) break;
  }
  return used;
}

}  // namespace

void TBLPBitmap::LoadFromStream(QIODevice& stream) {
  stream.seek(0);
  const QByteArray magic = stream.peek(4);
  if (magic.size() < 4) return;
  const std::uint32_t signature = U32(magic, 0);
  if (signature != kSignatureBlp1 && signature != kSignatureBlp2) return;
  const QByteArray file = ReadWholeStream(stream);
  const bool v1 = signature == kSignatureBlp1;
  const int headerSize = v1 ? 156 : 148;
  if (file.size() < headerSize) throw ImageLoadError("BLP: the file ends inside its header");
  Signature = signature;
  Compression = U32(file, 4);
  Width = U32(file, 12);
  Height = U32(file, 16);
  if (v1) {
    AlphaBits = U32(file, 8);
    PictureType = U32(file, 20);
    HasMipmaps = std::uint8_t(file[24]);
    Tables(file, 28, MipmapOffsets, MipmapSizes);
    if (Compression != 0) {
      AuxSize = MipmapOffsets[0] - 156;
      UsedColorsOrQuality = UsedPaletteEntries(file, MipmapOffsets[0]);
    } else {
      if (file.size() < 160) throw ImageLoadError("BLP: the file ends before its JPEG header");
      AuxSize = U32(file, 156);
      stream.seek(162);
      UsedColorsOrQuality = table_->present() ? EstimateJpegQuality(stream, *table_) : 0;
      stream.seek(162);
      Progressive = IsProgressiveJpeg(stream);
    }
  } else {
    Encoding = std::uint8_t(file[8]);
    AlphaDepth = std::uint8_t(file[9]);
    AlphaEncoding = std::uint8_t(file[10]);
    HasMipmaps = std::uint8_t(file[11]);
    Tables(file, 20, MipmapOffsets, MipmapSizes);
    AuxSize = MipmapOffsets[0] - 148;
    // The library reports the size of other BLP2 content but decodes none of its pixels.
    if (Compression != 1 || Encoding < 1 || Encoding > 3)
      throw ImageLoadError("BLP: unsupported BLP2 content");
  }
  FileSize = std::uint32_t(file.size());

  // Level 0 must be in the file before a buffer is allocated for it: its index plane for
  // paletted content, its blocks for DXT, at least a bit per 8 x 8 block for JPEG.
  const std::uint64_t pixels = std::uint64_t{Width} * Height;
  std::uint64_t minimum = pixels;
  if (v1 && Compression == 0) minimum = pixels / 512;
  if (!v1 && Encoding == 2)
    minimum = ((std::uint64_t{Width} + 3) / 4) * ((std::uint64_t{Height} + 3) / 4) * 8;
  RequireImageFits("BLP", Width, Height, FileSize, minimum);

  std::vector<std::uint8_t> buffer(pixels * 4);
  std::uint16_t w = 0, h = 0;
  BLP_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()),
                       MipmapIndex, buffer.data(), buffer.size(), &w, &h);
  if (std::uint64_t{w} * h * 4 > buffer.size())
    throw ImageLoadError("BLP: the decoded level is larger than level 0");
  reset(w, h, PixelFormat::Bit32);
  if (!empty()) copyFromPacked(buffer.data());
  const bool noAlpha = v1 ? (Compression == 1 && (AlphaBits == 0 || PictureType >= 5)) : AlphaDepth == 0;
  if (noAlpha) setPixelFormat(PixelFormat::Bit24);
}

void TBLPBitmap::SaveToStream(QIODevice& stream) {
  TBLPHeader record{};
  const bool v1 = Signature == kSignatureBlp1;
  for (int i = 0; i < 4; ++i) record.Signature[i] = std::uint8_t(Signature >> (8 * i));
  record.Compression = Compression;
  record.Width = std::uint32_t(width());
  record.Height = std::uint32_t(height());
  record.HasMipmaps = 1;
  record.Encoding = Encoding;
  if (HasAlpha) {
    if (v1) {
      record.AlphaBits = 8;
      record.PictureType = 4;
    } else {
      record.AlphaDepth = 8;
      record.AlphaEncoding = Encoding == 1 ? 8 : Encoding == 2 ? 7 : 0;
    }
  } else if (v1) {
    record.AlphaBits = 0;
    record.PictureType = 5;
    if (Compression == 0) {
      // JPEG content always carries four channels: make the alpha channel opaque.
      setPixelFormat(PixelFormat::Bit32);
      for (int y = 0; y < height(); ++y) {
        std::uint8_t* row = scanLine(y);
        for (int x = 0; x < width(); ++x) row[4 * x + 3] = 255;
      }
      HasAlpha = true;
    }
  }
  record.MipmapsMinus1 = SaveMipmapsMinus1;
  record.ColorsOrQuality = SaveColorsOrQuality;
  record.FlagA = SaveFlagA ? 1 : 0;
  record.FlagB = SaveFlagB ? 1 : 0;
  setPixelFormat(PixelFormat::Bit32);
  const auto pixels = packed();
  LibraryBlock block;
  block.size = std::uint32_t(pixels.size());
  BLP_SaveToMemory(pixels.data(), &record, &block.data, &block.size);
  block.writeTo(stream, "BLP");
}

}  // namespace ondrel
