// DirectDraw Surface files.
// Reads: the top level of uncompressed 24- and 32-bit RGB surfaces (bytes blue, green, red
//   [, alpha]; masks not interpreted) and of DXT1, DXT3 and DXT5 surfaces.
// Writes: the whole file, head included: uncompressed 24/32-bit or DXT1/DXT5, with a chain of
//   Lanczos-reduced mipmap levels on request.
// Does not support: other bit counts, other four-character codes (sizes are still reported),
//   the DX10 extension, cube faces and volume slices (ignored after the top level), DXT3 saves.
#include "dds.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "dxt.hpp"
#include "image_view.hpp"
#include "limits.hpp"
#include "resample.hpp"

namespace ormel::dds {

namespace {

// Offsets of the 128-byte head (magic included).
constexpr std::size_t kHeadSize = 128;
constexpr std::size_t kDescriptionSize = 4;
constexpr std::size_t kFlags = 8;
constexpr std::size_t kHeight = 12;
constexpr std::size_t kWidth = 16;
constexpr std::size_t kPitchOrLinearSize = 20;
constexpr std::size_t kMipmapCount = 28;
constexpr std::size_t kPixelFormatSize = 76;
constexpr std::size_t kPixelFormatFlags = 80;
constexpr std::size_t kFourCc = 84;
constexpr std::size_t kBitCount = 88;
constexpr std::size_t kRedMask = 92;
constexpr std::size_t kGreenMask = 96;
constexpr std::size_t kBlueMask = 100;
constexpr std::size_t kAlphaMask = 104;
constexpr std::size_t kCaps = 108;
constexpr std::size_t kCaps2 = 112;

constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
constexpr std::uint32_t kFourCcDxt1 = 0x31545844;
constexpr std::uint32_t kFourCcDxt3 = 0x33545844;
constexpr std::uint32_t kFourCcDxt5 = 0x35545844;

constexpr std::uint32_t kFlagsBase = 0x81007;     // caps, height, width, pixel format, linear size
constexpr std::uint32_t kFlagsMipmaps = 0x20008;  // mipmap count, pitch
constexpr std::uint32_t kFlagPitch = 0x8;
constexpr std::uint32_t kFlagLinearSize = 0x80000;
constexpr std::uint32_t kPfFourCc = 0x4;
constexpr std::uint32_t kPfRgb = 0x40;
constexpr std::uint32_t kPfAlphaPixels = 0x1;
constexpr std::uint32_t kCapsTexture = 0x1000;
constexpr std::uint32_t kCapsMipmaps = 0x400008;  // mipmap, complex

// What a head describes: a DXT format or uncompressed pixels of `pixelSize` bytes.
struct SaveKind {
  bool compressed = false;
  dxt::Format format = dxt::Format::Dxt1;
  int pixelSize = 3;
};

bool IsCompressedHead(const std::uint8_t* head) {
  const std::uint32_t flags = LoadU32LE(head + kPixelFormatFlags);
  return (flags & kPfRgb) == 0 && (flags & kPfFourCc) != 0;
}

std::uint64_t LevelBytes(const SaveKind& kind, LevelSize level) {
  if (kind.compressed) return dxt::LevelBytes(kind.format, level.width, level.height);
  return std::uint64_t{level.width} * level.height * kind.pixelSize;
}

// The head as the file carries it: every field from the table of the format, the request
// fields replaced by what was stored.
void WriteHead(std::uint8_t* out, const SaveKind& kind, std::uint32_t width, std::uint32_t height,
               bool withMipmaps, std::size_t levels) {
  std::memset(out, 0, kHeadSize);
  StoreU32LE(out, kMagic);
  StoreU32LE(out + kDescriptionSize, 124);
  StoreU32LE(out + kFlags, kFlagsBase | (withMipmaps ? kFlagsMipmaps : 0));
  StoreU32LE(out + kHeight, height);
  StoreU32LE(out + kWidth, width);
  StoreU32LE(out + kPitchOrLinearSize,
             static_cast<std::uint32_t>(LevelBytes(kind, {width, height})));
  StoreU32LE(out + kMipmapCount, withMipmaps ? static_cast<std::uint32_t>(levels) : 0);
  StoreU32LE(out + kPixelFormatSize, 32);
  if (kind.compressed) {
    StoreU32LE(out + kPixelFormatFlags, kPfFourCc);
    StoreU32LE(out + kFourCc, kind.format == dxt::Format::Dxt5 ? kFourCcDxt5 : kFourCcDxt1);
  } else {
    StoreU32LE(out + kPixelFormatFlags, kind.pixelSize == 4 ? kPfRgb | kPfAlphaPixels : kPfRgb);
    StoreU32LE(out + kBitCount, static_cast<std::uint32_t>(kind.pixelSize) * 8);
    StoreU32LE(out + kRedMask, 0x00FF0000);
    StoreU32LE(out + kGreenMask, 0x0000FF00);
    StoreU32LE(out + kBlueMask, 0x000000FF);
    if (kind.pixelSize == 4) StoreU32LE(out + kAlphaMask, 0xFF000000);
  }
  StoreU32LE(out + kCaps, kCapsTexture | (withMipmaps ? kCapsMipmaps : 0));
}

// Writes one level of `pixelSize`-byte pixels at `out`.
void WriteLevel(const SaveKind& kind, const std::uint8_t* pixels, LevelSize level, bool dither,
                Bytes out) {
  if (kind.compressed) {
    const std::size_t bytes = std::size_t{level.width} * level.height * kind.pixelSize;
    dxt::EncodeDxtImage(ConstBytes(pixels, bytes), level.width, level.height, kind.pixelSize,
                        kind.format == dxt::Format::Dxt5, dither, out);
  } else {
    std::memcpy(out.data(), pixels, out.size());
  }
}

// 32-bit working pixels from the caller's 3- or 4-byte pixels.
std::vector<std::uint8_t> Widen(ConstBytes pixels, std::uint64_t count, int pixelSize) {
  std::vector<std::uint8_t> wide(static_cast<std::size_t>(count) * 4);
  if (pixelSize == 4) {
    std::memcpy(wide.data(), pixels.data(), wide.size());
    return wide;
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::memcpy(&wide[i * 4], &pixels[i * 3], 3);
    wide[i * 4 + 3] = 255;
  }
  return wide;
}

void Narrow(const std::vector<std::uint8_t>& wide, std::vector<std::uint8_t>& narrow) {
  const std::size_t count = wide.size() / 4;
  narrow.resize(count * 3);
  for (std::size_t i = 0; i < count; ++i) std::memcpy(&narrow[i * 3], &wide[i * 4], 3);
}

void DecodeRgb(ConstBytes file, Bytes pixels, std::uint32_t width, std::uint32_t height) {
  const std::uint8_t* head = file.data();
  const std::uint32_t bits = LoadU32LE(head + kBitCount);
  // The caller's buffer holds 4 bytes a pixel; rows of more would overflow it.
  if (bits != 24 && bits != 32)
    throw Unsupported("ormel: DDS RGB bit count " + std::to_string(bits) +
                      " (only 24 and 32 are read)");
  const std::uint64_t rowBytes = std::uint64_t{width} * (bits / 8);
  std::uint64_t pitch = rowBytes;
  const std::uint32_t flags = LoadU32LE(head + kFlags);
  const std::uint32_t declared = LoadU32LE(head + kPitchOrLinearSize);
  if ((flags & kFlagPitch) && !(flags & kFlagLinearSize) && declared != 0) {
    if (declared < rowBytes)
      throw InvalidData("ormel: DDS pitch " + std::to_string(declared) +
                        " is shorter than a row of " + std::to_string(rowBytes) + " bytes");
    pitch = declared;
  }
  if (height == 0 || rowBytes == 0) return;
  RequireBytes(file, kHeadSize, pitch * (height - 1) + rowBytes, "DDS top level");
  const std::uint8_t* source = head + kHeadSize;
  std::uint8_t* out = pixels.data();
  std::size_t room = pixels.size();
  for (std::uint32_t y = 0; y < height && room > 0; ++y) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(rowBytes, room));
    std::memcpy(out, source + y * pitch, n);
    out += n;
    room -= n;
  }
}

}  // namespace

std::vector<LevelSize> LevelChain(std::uint32_t width, std::uint32_t height,
                                  std::uint32_t reduced, bool compressed) {
  const std::uint32_t smallest = compressed ? 4 : 1;
  std::vector<LevelSize> chain{{width, height}};
  while (chain.size() <= reduced) {
    const LevelSize last = chain.back();
    // A DXT chain of sides that are not powers of two may skip 4; it ends below it then.
    if (last.width <= smallest || last.height <= smallest) break;
    chain.push_back({std::max(1u, last.width / 2), std::max(1u, last.height / 2)});
  }
  return chain;
}

bool Decode(ConstBytes file, Bytes pixels, std::uint16_t& width, std::uint16_t& height) {
  if (file.size() < 4 || LoadU32LE(file.data()) != kMagic) return false;
  RequireBytes(file, 0, kHeadSize, "DDS head");
  const std::uint8_t* head = file.data();
  const std::uint32_t w = LoadU32LE(head + kWidth), h = LoadU32LE(head + kHeight);
  if (w > kMaxSide || h > kMaxSide)
    throw Unsupported("ormel: DDS surface of " + std::to_string(w) + " x " + std::to_string(h) +
                      " (sides are limited to " + std::to_string(kMaxSide) + ")");
  const std::uint32_t pfFlags = LoadU32LE(head + kPixelFormatFlags);
  if (pfFlags & kPfRgb) {
    DecodeRgb(file, pixels, w, h);
  } else if (pfFlags & kPfFourCc) {
    const std::uint32_t code = LoadU32LE(head + kFourCc);
    const bool known = code == kFourCcDxt1 || code == kFourCcDxt3 || code == kFourCcDxt5;
    if (known) {
      const dxt::Format format = code == kFourCcDxt1   ? dxt::Format::Dxt1
                                 : code == kFourCcDxt3 ? dxt::Format::Dxt3
                                                       : dxt::Format::Dxt5;
      const std::uint64_t bytes = dxt::LevelBytes(format, w, h);
      RequireBytes(file, kHeadSize, bytes, "DDS top level");
      dxt::DecodeImage(format, file.subspan(kHeadSize, static_cast<std::size_t>(bytes)), pixels,
                       w, h);
    }
  }
  width = static_cast<std::uint16_t>(w);
  height = static_cast<std::uint16_t>(h);
  return true;
}

Block Encode(ConstBytes pixels, std::span<std::uint8_t, 128> head) {
  std::uint8_t* h = head.data();
  SaveKind kind;
  kind.pixelSize = PixelSize(h);
  if (IsCompressedHead(h)) {
    const std::uint32_t code = LoadU32LE(h + kFourCc);
    // No DXT3 encoder exists; any other code has no level layout to write.
    if (code != kFourCcDxt1 && code != kFourCcDxt5) return {};
    kind.compressed = true;
    kind.format = code == kFourCcDxt5 ? dxt::Format::Dxt5 : dxt::Format::Dxt1;
  }
  const std::uint32_t width = LoadU32LE(h + kWidth), height = LoadU32LE(h + kHeight);
  if (width == 0 || height == 0) return {};
  if (width > kMaxSide || height > kMaxSide || std::uint64_t{width} * height > kMaxPixels)
    throw LimitExceeded("ormel: DDS surface of " + std::to_string(width) + " x " +
                        std::to_string(height) + " exceeds the size limit");
  const std::uint64_t count = std::uint64_t{width} * height;
  if (pixels.size() < count * kind.pixelSize)
    throw InvalidData("ormel: DDS pixel buffer holds " + std::to_string(pixels.size()) +
                      " bytes, the head asks for " + std::to_string(count * kind.pixelSize));

  const std::uint32_t requested = LoadU32LE(h + kMipmapCount);
  const bool dither = (LoadU32LE(h + kCaps2) & 1) != 0;
  const bool withMipmaps = requested != 0;
  const auto chain = LevelChain(width, height, requested, kind.compressed);
  std::uint64_t total = kHeadSize;
  for (const LevelSize level : chain) total += LevelBytes(kind, level);

  Block block = Block::Allocate(static_cast<std::size_t>(total));
  WriteHead(block.data(), kind, width, height, withMipmaps, chain.size());
  std::memcpy(h, block.data(), kHeadSize);

  std::size_t at = kHeadSize;
  const auto levelOut = [&](LevelSize level) {
    const auto bytes = static_cast<std::size_t>(LevelBytes(kind, level));
    const Bytes out = block.bytes().subspan(at, bytes);
    at += bytes;
    return out;
  };
  WriteLevel(kind, pixels.data(), chain[0], dither, levelOut(chain[0]));
  if (chain.size() == 1) return block;

  // Each level is scaled from the previous one, in 32-bit working pixels.
  std::vector<std::uint8_t> previous = Widen(pixels, count, kind.pixelSize);
  std::vector<std::uint8_t> current, narrow;
  for (std::size_t i = 1; i < chain.size(); ++i) {
    const LevelSize from = chain[i - 1], to = chain[i];
    current.assign(std::size_t{to.width} * to.height * 4, 0);
    ScaleBitmap(ImageView{previous.data(), from.width, from.height, std::size_t{from.width} * 4},
                MutableImageView{current.data(), to.width, to.height, std::size_t{to.width} * 4},
                true);
    const std::uint8_t* levelPixels = current.data();
    if (kind.pixelSize == 3) {
      Narrow(current, narrow);
      levelPixels = narrow.data();
    }
    WriteLevel(kind, levelPixels, to, dither, levelOut(to));
    previous.swap(current);
  }
  return block;
}

}  // namespace ormel::dds
