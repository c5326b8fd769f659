#include "blp_texture.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

namespace ondrel::texture {
namespace {

// The viewer's limits (its image layer refuses the same headers).
constexpr std::uint64_t kMaxPixels = 16384ull * 16384ull;
constexpr std::uint32_t kMaxSide = 65535;

constexpr std::size_t kBlp1HeaderBytes = 156;
constexpr std::size_t kBlp2HeaderBytes = 148;

// 1 + floor(log2(max side)): the levels of a full chain.
int FullChainLength(std::uint32_t width, std::uint32_t height) {
  std::uint32_t m = std::max(width, height);
  int n = 1;
  while (m > 1) {
    m /= 2;
    ++n;
  }
  return n;
}

// Releases a block the library allocated, on every path.
class LibraryBlock {
 public:
  LibraryBlock() = default;
  LibraryBlock(const LibraryBlock&) = delete;
  LibraryBlock& operator=(const LibraryBlock&) = delete;
  ~LibraryBlock() {
    if (data != nullptr) BLP_FreeMem(&data);
  }
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
};

void RequireWithinLimits(std::uint64_t width, std::uint64_t height) {
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    throw TextureError("BLP: image size " + std::to_string(width) + " x " +
                       std::to_string(height) + " is beyond the limit");
}

}  // namespace

bool HasBlpSignature(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 4 &&
         (std::memcmp(bytes.data(), "BLP1", 4) == 0 || std::memcmp(bytes.data(), "BLP2", 4) == 0);
}

std::optional<BlpTexture> BlpTexture::Open(std::span<const std::uint8_t> file) {
  if (!HasBlpSignature(file)) return std::nullopt;
  const bool v1 = file[3] == '1';
  if (file.size() < (v1 ? kBlp1HeaderBytes : kBlp2HeaderBytes))
    throw TextureError("BLP: the file ends inside its header");
  TBLPHeader header{};
  try {
    BLP_GetHeaderEx(file.data(), file.size(), &header);
  } catch (const std::exception& e) {
    throw TextureError(e.what());
  }
  if (v1 && header.Compression > 1) throw TextureError("BLP: unknown BLP1 compression");
  if (!v1 && (header.Compression != 1 || header.Encoding < 1 || header.Encoding > 3))
    throw TextureError("BLP: unsupported BLP2 content");

  // Level 0 must be in the file before anything is allocated for it: its index plane for
  // paletted content, its blocks for DXT, at least a bit per 8 x 8 block for JPEG.
  const std::uint64_t pixels = std::uint64_t{header.Width} * header.Height;
  RequireWithinLimits(header.Width, header.Height);
  if (pixels == 0) throw TextureError("BLP: the image is empty");
  std::uint64_t minimum = pixels;
  if (v1 && header.Compression == 0) minimum = pixels / 512;
  if (!v1 && header.Encoding == 2)
    minimum = ((std::uint64_t{header.Width} + 3) / 4) * ((std::uint64_t{header.Height} + 3) / 4) * 8;
  if (minimum > file.size()) throw TextureError("BLP: the file is too short for its image size");
  return BlpTexture(file, header);
}

BlpTexture::BlpTexture(std::span<const std::uint8_t> file, const TBLPHeader& header)
    : file_(file), header_(header) {
  const int chain = std::min(FullChainLength(header.Width, header.Height), 16);
  for (int i = 1; i < chain; ++i) {
    const std::uint64_t offset = header.MipmapOffsets[i], size = header.MipmapSizes[i];
    if (size == 0 || offset + size > file.size()) break;
    if (offset == header.MipmapOffsets[i - 1] && size == header.MipmapSizes[i - 1]) break;
    levelCount_ = i + 1;
  }
}

bool BlpTexture::hasAlpha() const {
  if (isJpeg()) return header_.AlphaBits != 0;
  if (isBlp1()) return header_.AlphaBits != 0 && header_.PictureType < 5;
  return header_.AlphaDepth != 0;
}

Size BlpTexture::levelSize(int level) const {
  Size s{header_.Width, header_.Height};
  if (level <= 0) return s;
  if (isJpeg()) {
    // Each JPEG level carries its own frame; writers halve the sides, as ours does.
    for (int i = 0; i < level; ++i) s = {std::max(1u, s.width / 2), std::max(1u, s.height / 2)};
    return s;
  }
  // The library's rule: the ratio of the stored sizes, divided by the area each halving
  // removes (4, or 2 once one side sits at its floor of 1 pixel, or 4 for DXT blocks).
  const std::uint32_t sizeK = header_.MipmapSizes[std::min(level, 15)];
  if (sizeK == 0) return s;
  const bool dxt = !isBlp1() && header_.Encoding == 2;
  const Size floor = dxt ? Size{std::min(4u, s.width), std::min(4u, s.height)} : Size{1, 1};
  std::uint32_t ratio = header_.MipmapSizes[0] / sizeK;
  while (ratio > 1) {
    const bool halveWidth = s.width > floor.width;
    const bool halveHeight = s.height > floor.height;
    if (!halveWidth && !halveHeight) break;
    if (halveWidth) s.width = std::max(floor.width, s.width / 2);
    if (halveHeight) s.height = std::max(floor.height, s.height / 2);
    ratio /= (halveWidth && halveHeight) ? 4 : 2;
  }
  return s;
}

Pixels BlpTexture::decode(int level) const {
  if (level < 0 || level >= levelCount_) throw TextureError("BLP: no such mipmap level");
  // The library refuses a level that passes the end of the file and a JPEG frame of another
  // size than the level, and otherwise writes every pixel of the level: the buffer needs no
  // filling first. Left unfilled, its pages are not touched before the library has looked at
  // the level, so a header that claims far more than the file holds costs no memory.
  const Size expected = decodeBufferSize(level);
  const std::uint64_t capacity = std::uint64_t{expected.width} * expected.height * 4;
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[static_cast<std::size_t>(capacity)]);
  std::uint16_t width = 0, height = 0;
  try {
    BLP_LoadFromMemoryEx(file_.data(), file_.size(), static_cast<std::uint16_t>(level),
                         buffer.get(), static_cast<std::size_t>(capacity), &width, &height);
  } catch (const std::exception& e) {
    throw TextureError(e.what());
  }
  const std::uint64_t bytes = std::uint64_t{width} * height * 4;
  if (bytes == 0) throw TextureError("BLP: nothing of the level could be decoded");
  if (bytes > capacity) throw TextureError("BLP: the decoded level is larger than its header says");
  Pixels out;
  out.size = {width, height};
  out.bgra.assign(buffer.get(), buffer.get() + bytes);
  return out;
}

std::vector<std::uint8_t> WriteBlp(const Pixels& pixels, bool withAlpha,
                                   const WriteOptions& options) {
  const Size s = pixels.size;
  if (s.width == 0 || s.height == 0) throw TextureError("BLP: cannot write an empty image");
  RequireWithinLimits(s.width, s.height);
  if (pixels.bgra.size() != std::uint64_t{s.width} * s.height * 4)
    throw TextureError("BLP: pixel buffer does not match the image size");

  TBLPHeader record{};
  record.Width = s.width;
  record.Height = s.height;
  record.HasMipmaps = 1;
  record.MipmapsMinus1 = static_cast<std::uint32_t>(std::min(FullChainLength(s.width, s.height), 16) - 1);
  std::vector<std::uint8_t> bgra = pixels.bgra;
  if (options.kind == WriteKind::Dxt) {
    std::memcpy(record.Signature, "BLP2", 4);
    record.Compression = 1;
    record.Encoding = 2;
    record.AlphaDepth = withAlpha ? 8 : 0;
    record.AlphaEncoding = withAlpha ? 7 : 0;  // DXT5, else DXT1
    record.FlagB = 1;                          // error diffusion, the viewer's default
  } else {
    std::memcpy(record.Signature, "BLP1", 4);
    record.Compression = 0;
    record.AlphaBits = withAlpha ? 8 : 0;
    record.PictureType = withAlpha ? 4 : 5;
    record.ColorsOrQuality = static_cast<std::uint32_t>(std::clamp(options.jpegQuality, 1, 100));
    record.FlagA = 1;  // one shared JPEG header
    record.FlagB = 1;  // progressive
    // JPEG content always carries four channels: an image without alpha stores it opaque.
    if (!withAlpha)
      for (std::size_t i = 3; i < bgra.size(); i += 4) bgra[i] = 255;
  }
  LibraryBlock block;
  try {
    BLP_SaveToMemory(bgra.data(), &record, &block.data, &block.size);
  } catch (const std::exception& e) {
    throw TextureError(e.what());
  }
  if (block.data == nullptr) throw TextureError("BLP: the library wrote nothing");
  return {block.data, block.data + block.size};
}

}  // namespace ondrel::texture
