// TGA image data.
// Reads: image types 1 and 9 (colour-mapped, plain or run-length) and 2 and 10 (true colour,
//   plain or run-length) with colour-map types 0 and 1; rows in file order, b bytes a pixel.
// Writes: everything after the 18-byte header for types 2 and 10 (true colour) and 1 and 9
//   (8-bit indices into a 24-bit colour map built by the octree quantizer).
// Does not support: grey types 3 and 11, the footer and extension area, 16-bit indices.
#include "tga.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "limits.hpp"
#include "quantize.hpp"
#include "tga_rle.hpp"

namespace ormel::tga {

namespace {

// Offsets of the 18-byte header.
constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kIdLength = 0;
constexpr std::size_t kMapType = 1;
constexpr std::size_t kImageType = 2;
constexpr std::size_t kMapFirst = 3;
constexpr std::size_t kMapLength = 5;
constexpr std::size_t kMapEntryBits = 7;
constexpr std::size_t kWidth = 12;
constexpr std::size_t kHeight = 14;
constexpr std::size_t kPixelDepth = 16;

// Option bits the caller passes in the ID-length byte of a save.
constexpr std::uint8_t kOptionErrorDiffusion = 1;
constexpr std::uint8_t kOptionAcrossRows = 2;
constexpr std::uint8_t kOptionCompressPalette = 4;

bool IsMapped(int type) { return type == 1 || type == 9; }
bool IsRunLength(int type) { return type == 9 || type == 10; }
bool IsReadType(int type) { return type == 1 || type == 2 || type == 9 || type == 10; }

std::uint64_t PixelCount(const std::uint8_t* header) {
  return std::uint64_t{LoadU16LE(header + kWidth)} * LoadU16LE(header + kHeight);
}

// Writes decoded pixels of b bytes into the caller's buffer, converting a source pixel of a
// different size (a true-colour file whose colour-map entry size, which decides b, is not
// its pixel depth): 3 -> 4 bytes adds opaque alpha, 4 -> 3 drops alpha.
class PixelSink {
 public:
  PixelSink(Bytes out, std::size_t bytes) : out_(out.data()), bytes_(bytes) {}

  void Copy(const std::uint8_t* pixel) {
    std::memcpy(out_, pixel, bytes_);
    out_ += bytes_;
  }
  void Convert(const std::uint8_t* pixel) {
    out_[0] = pixel[0];
    out_[1] = pixel[1];
    out_[2] = pixel[2];
    if (bytes_ == 4) out_[3] = 255;
    out_ += bytes_;
  }
  void Black() {
    std::memset(out_, 0, bytes_);
    if (bytes_ == 4) out_[3] = 255;
    out_ += bytes_;
  }

 private:
  std::uint8_t* out_;
  std::size_t bytes_;
};

void ReportShortData(std::uint64_t decoded, std::uint64_t wanted) {
  if (decoded < wanted)
    throw InvalidData("ormel: TGA image data ends after " + std::to_string(decoded) + " of " +
                      std::to_string(wanted) + " pixels");
}

// Types 2 and 10. The colour map of such a file, if any, is skipped.
void DecodeTrueColour(ConstBytes file, std::uint64_t dataStart, std::size_t b,
                      std::uint64_t count, Bytes pixels) {
  const std::uint8_t* header = file.data();
  const std::size_t source = header[kPixelDepth] / 8u;
  if (source != b && !((source == 3 || source == 4) && (b == 3 || b == 4)))
    throw Unsupported("ormel: TGA pixel depth " + std::to_string(header[kPixelDepth]) +
                      " with colour-map entries of " + std::to_string(header[kMapEntryBits]) +
                      " bits");
  const ConstBytes data = dataStart < file.size() ? file.subspan(dataStart) : ConstBytes{};
  PixelSink sink(pixels, b);
  std::uint64_t decoded = 0;
  if (IsRunLength(header[kImageType])) {
    if (source == b)
      decoded = DecodeRlePackets(data, source, count, [&](const std::uint8_t* p) { sink.Copy(p); });
    else
      decoded =
          DecodeRlePackets(data, source, count, [&](const std::uint8_t* p) { sink.Convert(p); });
  } else {
    decoded = std::min<std::uint64_t>(count, data.size() / source);
    if (source == b) {
      if (decoded) std::memcpy(pixels.data(), data.data(), static_cast<std::size_t>(decoded * b));
    } else {
      for (std::uint64_t i = 0; i < decoded; ++i) sink.Convert(data.data() + i * source);
    }
  }
  ReportShortData(decoded, count);
}

// Types 1 and 9: one index byte a pixel into the colour map; an index outside the map, or an
// entry the file does not hold, gives black.
void DecodeMapped(ConstBytes file, std::uint64_t mapStart, std::size_t b, std::uint64_t count,
                  Bytes pixels) {
  const std::uint8_t* header = file.data();
  const std::uint32_t first = LoadU16LE(header + kMapFirst);
  const std::uint64_t length = LoadU16LE(header + kMapLength);
  const std::uint64_t mapBytes = length * b;
  const std::uint64_t dataStart = mapStart + mapBytes;
  const std::uint64_t mapPresent =
      mapStart < file.size() ? std::min<std::uint64_t>(file.size() - mapStart, mapBytes) : 0;
  const std::uint64_t entries = mapPresent / b;
  const std::uint8_t* map = file.data() + (mapPresent ? mapStart : 0);

  PixelSink sink(pixels, b);
  const auto expand = [&](const std::uint8_t* index) {
    const std::uint32_t entry = *index - first;  // wraps for an index below the first entry
    if (*index >= first && entry < entries)
      sink.Copy(map + std::size_t{entry} * b);
    else
      sink.Black();
  };
  const ConstBytes data = dataStart < file.size() ? file.subspan(dataStart) : ConstBytes{};
  std::uint64_t decoded = 0;
  if (IsRunLength(header[kImageType])) {
    decoded = DecodeRlePackets(data, 1, count, expand);
  } else {
    decoded = std::min<std::uint64_t>(count, data.size());
    for (std::uint64_t i = 0; i < decoded; ++i) expand(data.data() + i);
  }
  ReportShortData(decoded, count);
}

// One packet stream over all pixels, or one per row.
std::size_t EncodeRle(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                      std::size_t pixelSize, bool acrossRows, std::uint8_t* out) {
  if (acrossRows)
    return EncodeRleStream(pixels, std::size_t{width} * height, pixelSize, out);
  std::size_t written = 0;
  const std::size_t rowBytes = std::size_t{width} * pixelSize;
  for (std::uint32_t y = 0; y < height; ++y)
    written += EncodeRleStream(pixels + y * rowBytes, width, pixelSize, out + written);
  return written;
}

void RequireInput(ConstBytes pixels, std::uint64_t bytes) {
  if (pixels.size() < bytes)
    throw InvalidData("ormel: TGA pixel buffer holds " + std::to_string(pixels.size()) +
                      " bytes, the header asks for " + std::to_string(bytes));
}

Block EncodeTrueColour(ConstBytes pixels, std::span<std::uint8_t, 18> header) {
  const std::uint8_t* h = header.data();
  // A colour map would be announced by the header but never written.
  if (h[kMapType] != 0) return {};
  const std::uint32_t width = LoadU16LE(h + kWidth), height = LoadU16LE(h + kHeight);
  const std::size_t p = h[kPixelDepth] / 8u;
  const std::uint64_t bytes = PixelCount(h) * p;
  RequireInput(pixels, bytes);
  if (!IsRunLength(h[kImageType])) {
    Block block = Block::Allocate(static_cast<std::size_t>(bytes));
    if (bytes) std::memcpy(block.data(), pixels.data(), static_cast<std::size_t>(bytes));
    return block;
  }
  Block block = Block::Allocate(static_cast<std::size_t>(RleWorstCase(PixelCount(h), p)));
  const std::size_t written = p == 0 ? 0
                              : EncodeRle(pixels.data(), width, height, p,
                                          (h[kIdLength] & kOptionAcrossRows) != 0, block.data());
  block.shrink(written);
  return block;
}

Block EncodePaletted(ConstBytes pixels, std::span<std::uint8_t, 18> header) {
  std::uint8_t* h = header.data();
  // The writer produces 24-bit entries and 8-bit indices; the header has to say so.
  if (h[kMapType] != 1 || h[kMapEntryBits] != 24) return {};
  const int limit = LoadU16LE(h + kMapLength);
  if (limit < 1 || limit > 256) return {};
  const std::uint8_t options = h[kIdLength];
  const std::uint32_t width = LoadU16LE(h + kWidth), height = LoadU16LE(h + kHeight);
  const std::uint64_t count = PixelCount(h);
  RequireInput(pixels, count * 4);

  std::vector<std::uint8_t> image(pixels.begin(),
                                  pixels.begin() + static_cast<std::ptrdiff_t>(count * 4));
  const MutableImageView view{image.data(), width, height, std::size_t{width} * 4};
  Palette palette{};
  {
    TColorQuantizer quantizer(limit, 8);
    quantizer.ScanBitmap(view);
    quantizer.FillPalette(palette);
  }
  int length = limit;
  // The palette was cleared first, so trailing all-zero entries are the ones left unfilled.
  if (options & kOptionCompressPalette) {
    while (length > 1 && std::all_of(&palette[(length - 1) * 4], &palette[length * 4],
                                     [](std::uint8_t v) { return v == 0; }))
      --length;
  }
  StoreU16LE(h + kMapLength, static_cast<std::uint16_t>(length));

  TColorLookup lookup(palette, length - 1);
  if (options & kOptionErrorDiffusion) DiffuseToPalette(view, lookup);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const std::uint8_t* px = &image[i * 4];
    indices[i] = static_cast<std::uint8_t>(lookup.Nearest(px[2], px[1], px[0]));
  }

  const std::size_t mapBytes = static_cast<std::size_t>(length) * 3;
  const bool rle = IsRunLength(h[kImageType]);
  Block block = Block::Allocate(
      mapBytes + static_cast<std::size_t>(rle ? RleWorstCase(count, 1) : count));
  for (int i = 0; i < length; ++i) std::memcpy(block.data() + i * 3, &palette[i * 4], 3);
  if (!rle) {
    if (count) std::memcpy(block.data() + mapBytes, indices.data(), indices.size());
    return block;
  }
  const std::size_t written = EncodeRle(indices.data(), width, height, 1,
                                        (options & kOptionAcrossRows) != 0,
                                        block.data() + mapBytes);
  block.shrink(mapBytes + written);
  return block;
}

}  // namespace

bool Decode(ConstBytes file, Bytes pixels) {
  RequireBytes(file, 0, kHeaderSize, "TGA header");
  const std::uint8_t* header = file.data();
  const int type = header[kImageType];
  if (header[kMapType] > 1 || !IsReadType(type)) return false;
  const std::size_t b = static_cast<std::size_t>(BytesPerPixel(header));
  if (b == 0) return true;
  const std::uint64_t count = std::min<std::uint64_t>(PixelCount(header), pixels.size() / b);
  const std::uint64_t mapStart = kHeaderSize + std::uint64_t{header[kIdLength]};
  if (IsMapped(type)) {
    DecodeMapped(file, mapStart, b, count, pixels);
  } else {
    const std::uint64_t mapBytes = header[kMapType] == 1
                                       ? std::uint64_t{LoadU16LE(header + kMapLength)} *
                                             ((header[kMapEntryBits] + 7u) / 8u)
                                       : 0;
    DecodeTrueColour(file, mapStart + mapBytes, b, count, pixels);
  }
  return true;
}

Block Encode(ConstBytes pixels, std::span<std::uint8_t, 18> header) {
  const std::uint8_t* h = header.data();
  if (h[kMapType] > 1 || !IsReadType(h[kImageType])) return {};
  if (PixelCount(h) > kMaxPixels)
    throw LimitExceeded("ormel: TGA image of " + std::to_string(PixelCount(h)) +
                        " pixels exceeds the pixel limit");
  return IsMapped(h[kImageType]) ? EncodePaletted(pixels, header)
                                 : EncodeTrueColour(pixels, header);
}

}  // namespace ormel::tga
