#include "blp_encode_frame.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "resample.hpp"

namespace ormel::blp::encode {
namespace {

std::uint32_t NextSide(std::uint32_t side, std::uint32_t floor) {
  return std::max(floor, side / 2);
}

void StoreTable(std::uint8_t* at, const std::uint32_t (&entries)[kLevelCount]) {
  for (unsigned i = 0; i < kLevelCount; ++i) StoreU32LE(at + 4 * i, entries[i]);
}

}  // namespace

LevelPlan PlanLevels(std::uint32_t width, std::uint32_t height, std::uint32_t mipmapsMinus1,
                     SideFloor floor) {
  LevelPlan plan;
  // floor(log2(longer side)); exact for every 32-bit side, unlike a rounded logarithm.
  plan.longest = static_cast<unsigned>(std::bit_width(std::max(width, height))) - 1;
  const unsigned highest = std::min<std::uint32_t>(plan.longest, mipmapsMinus1);
  LevelSize size{width, height};
  for (unsigned m = 0; m <= highest; ++m) {
    plan.levels.push_back(size);
    size = {NextSide(size.width, floor.width), NextSide(size.height, floor.height)};
  }
  return plan;
}

MipmapChain::MipmapChain(ConstBytes level0, LevelSize size)
    : borrowed_(level0.first(static_cast<std::size_t>(PixelCount(size) * 4))), size_(size) {}

ConstBytes MipmapChain::CurrentBytes() const { return owned_ ? ConstBytes(current_) : borrowed_; }

ImageView MipmapChain::Current() const {
  return {CurrentBytes().data(), size_.width, size_.height, std::size_t{size_.width} * 4};
}

MutableImageView MipmapChain::CurrentForWriting() {
  if (!owned_) {
    current_.assign(borrowed_.begin(), borrowed_.end());
    owned_ = true;
  }
  return {current_.data(), size_.width, size_.height, std::size_t{size_.width} * 4};
}

void MipmapChain::Advance(LevelSize next) {
  if (owned_) std::swap(previous_, current_);
  const ImageView from{owned_ ? previous_.data() : borrowed_.data(), size_.width, size_.height,
                       std::size_t{size_.width} * 4};
  current_.assign(static_cast<std::size_t>(PixelCount(next) * 4), 0);
  owned_ = true;
  size_ = next;
  ScaleBitmap(from, CurrentForWriting(), true);
}

void LevelTable::Add(std::uint64_t offset, std::uint64_t size) {
  RequireFileFits(offset + size);
  offsets.push_back(static_cast<std::uint32_t>(offset));
  sizes.push_back(static_cast<std::uint32_t>(size));
}

void StoreTables(const LevelTable& table, unsigned longest, TBLPHeader& header) {
  const std::size_t written = table.offsets.size();
  for (std::size_t m = 0; m < written; ++m) {
    header.MipmapOffsets[m] = table.offsets[m];
    header.MipmapSizes[m] = table.sizes[m];
  }
  // A reader asking for any level up to L gets the smallest one written.
  for (std::size_t j = written; j <= std::min<unsigned>(longest, kLevelCount - 1); ++j) {
    header.MipmapOffsets[j] = table.offsets[written - 1];
    header.MipmapSizes[j] = table.sizes[written - 1];
  }
}

void WriteHeader(Version version, const TBLPHeader& header, Bytes out) {
  std::uint8_t* p = out.data();
  if (version == Version::Blp1) {
    std::memcpy(p, "BLP1", 4);
    StoreU32LE(p + blp1::kCompression, header.Compression);
    StoreU32LE(p + blp1::kAlphaBits, header.AlphaBits);
    StoreU32LE(p + blp1::kWidth, header.Width);
    StoreU32LE(p + blp1::kHeight, header.Height);
    StoreU32LE(p + blp1::kPictureType, header.PictureType);
    StoreU32LE(p + blp1::kHasMipmaps, header.HasMipmaps);
    StoreTable(p + blp1::kOffsets, header.MipmapOffsets);
    StoreTable(p + blp1::kSizes, header.MipmapSizes);
    return;
  }
  std::memcpy(p, "BLP2", 4);
  StoreU32LE(p + blp2::kType, 1);  // the only type readers decode
  p[blp2::kEncoding] = header.Encoding;
  p[blp2::kAlphaDepth] = header.AlphaDepth;
  p[blp2::kAlphaEncoding] = header.AlphaEncoding;
  p[blp2::kHasMipmaps] = header.HasMipmaps;
  StoreU32LE(p + blp2::kWidth, header.Width);
  StoreU32LE(p + blp2::kHeight, header.Height);
  StoreTable(p + blp2::kOffsets, header.MipmapOffsets);
  StoreTable(p + blp2::kSizes, header.MipmapSizes);
}

void RequireFileFits(std::uint64_t fileBytes) {
  if (fileBytes > std::numeric_limits<std::uint32_t>::max())
    throw LimitExceeded("ormel: BLP file of " + std::to_string(fileBytes) +
                        " bytes exceeds the 32-bit offsets of the format");
}

}  // namespace ormel::blp::encode
