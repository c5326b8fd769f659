#include "om_blp.hpp"

#include <algorithm>

#include "blp1_header.hpp"
#include "file_heads.hpp"
#include "image_limits.hpp"
#include "ormel_blp.h"

namespace ondrel {
namespace {

constexpr std::uint32_t kBlp2HeaderSize = 148;
constexpr std::uint32_t kPaletteBytes = 256 * 4;

// Palette entries up to the last non-zero one, walking back from the entry that ends where
// level 0 begins; never outside the 256 entries or the file.
std::uint32_t UsedPaletteEntries(std::span<const std::uint8_t> file, std::uint32_t levelStart) {
  const std::uint64_t end = std::min<std::uint64_t>({levelStart, kBlp1HeaderSize + kPaletteBytes, file.size()});
  if (end < kBlp1HeaderSize) return 1;
  std::uint32_t used = std::uint32_t((end - kBlp1HeaderSize) / 4) + 1;
  for (std::int64_t pos = std::int64_t(end) - 4; pos >= std::int64_t(kBlp1HeaderSize); pos -= 4) {
    --used;
    if (GetU32(file, std::size_t(pos)) != 0) break;
  }
  return used;
}

}  // namespace

void TBLPBitmap::takeHeader(const TBLPHeader& h) {
  Signature = GetU32(h.Signature, 0);
  Compression = h.Compression;
  Width = h.Width;
  Height = h.Height;
  for (std::size_t i = 0; i < MipmapOffsets.size(); ++i) {  // by element: the record is packed
    MipmapOffsets[i] = h.MipmapOffsets[i];
    MipmapSizes[i] = h.MipmapSizes[i];
  }
  AlphaBits = h.AlphaBits;
  PictureType = h.PictureType;
  Encoding = h.Encoding;
  AlphaDepth = h.AlphaDepth;
  AlphaEncoding = h.AlphaEncoding;
  HasMipmaps = h.HasMipmaps;
}

void TBLPBitmap::LoadFromStream(QIODevice& stream) {
  // The facts describe the file read last, also when it is not a BLP file.
  static_cast<BlpFacts&>(*this) = BlpFacts{};
  stream.seek(0);
  const QByteArray magic = stream.peek(4);
  if (magic.size() < 4) return;
  const std::uint32_t signature = GetU32(AsBytes(magic), 0);
  if (signature != kSignatureBlp1 && signature != kSignatureBlp2) return;
  const QByteArray file = ReadWholeStream(stream);
  const auto bytes = AsBytes(file);
  TBLPHeader header{};
  LoadWithLibrary("BLP", [&] { BLP_GetHeaderEx(bytes.data(), bytes.size(), &header); });
  takeHeader(header);
  FileSize = std::uint32_t(bytes.size());
  const bool v1 = isBlp1();
  if (v1 && Compression != 0) {
    AuxSize = MipmapOffsets[0] - kBlp1HeaderSize;
    UsedColorsOrQuality = UsedPaletteEntries(bytes, MipmapOffsets[0]);
  } else if (v1) {
    if (bytes.size() < kBlp1JpegHeaderAt) throw ImageLoadError("The BLP file ends before its JPEG header.");
    AuxSize = GetU32(bytes, kBlp1JpegHeaderSizeAt);
    const qint64 firstMarker = kBlp1JpegHeaderAt + 2;  // past the size word and SOI
    stream.seek(firstMarker);
    UsedColorsOrQuality = table_->present() ? EstimateJpegQuality(stream, *table_) : 0;
    stream.seek(firstMarker);
    Progressive = IsProgressiveJpeg(stream);
  } else {
    AuxSize = MipmapOffsets[0] - kBlp2HeaderSize;
    // The library reports the size of other BLP2 content but decodes none of its pixels.
    if (Compression != 1 || Encoding < 1 || Encoding > 3)
      throw ImageLoadError("The BLP2 file holds a kind of content this program does not read.");
  }

  // Level 0 must be in the file before memory is taken for it: its index plane for
  // paletted content, its blocks for DXT, at least a bit per 8 x 8 block for JPEG.
  const std::uint64_t pixels = std::uint64_t{Width} * Height;
  std::uint64_t minimum = pixels;
  if (v1 && Compression == 0) minimum = pixels / 512;
  if (!v1 && Encoding == 2)
    minimum = ((std::uint64_t{Width} + 3) / 4) * ((std::uint64_t{Height} + 3) / 4) * 8;
  RequireImageFits("BLP", Width, Height, FileSize, minimum);

  // Level 0's size is enough for every level; the level decoded lands in the bitmap's rows.
  decodePacked(int(Width), int(Height), PixelFormat::Bit32, [&](std::uint8_t* out, std::size_t capacity) {
    std::uint16_t w = 0, h = 0;
    LoadWithLibrary("BLP", [&] {
      BLP_LoadFromMemoryEx(bytes.data(), bytes.size(), MipmapIndex, out, capacity, &w, &h);
    });
    return QSize(w, h);
  });
  // JPEG content always stores four channels; its header says whether the fourth is alpha.
  const bool noAlpha = v1 ? (AlphaBits == 0 || (Compression == 1 && PictureType >= 5)) : AlphaDepth == 0;
  if (noAlpha) setPixelFormat(PixelFormat::Bit24);
}

EncodedFile TBLPBitmap::Encode() {
  TBLPHeader record{};
  const bool v1 = Signature == kSignatureBlp1;
  PutU32(record.Signature, 0, Signature);
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
  const PackedRows pixels = packedRows();
  EncodedFile file;
  file.block.size = std::uint32_t(pixels.size());
  SaveWithLibrary("BLP", file.block, [&] {
    BLP_SaveToMemory(pixels.data(), &record, &file.block.data, &file.block.size);
  });
  return file;
}

}  // namespace ondrel
