#include "blp1_palette_trim.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "blp1_comment.hpp"
#include "blp1_header.hpp"
#include "blp1_levels.hpp"

namespace ondrel {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kPaletteAt = kBlp1HeaderSize;
constexpr std::size_t kAlphaBitsAt = 8;
constexpr std::size_t kPictureTypeAt = 20;
constexpr std::uint32_t kMaxSide = 65535;

[[noreturn]] void Refuse(const char* why) { throw OptimizeError(std::string("BLP1 palette trim: ") + why); }

enum class Alpha { None, Bytes, Packed };

// How readers find the alpha plane: a paletted image has alpha when its picture type is below
// 5 or its alpha bits are 8; 1 and 4 bits are packed planes after the index plane, any other
// depth one byte a pixel half way into the level.
Alpha AlphaOf(Bytes file) {
  const std::uint32_t bits = GetU32(file, kAlphaBitsAt);
  if (!(GetU32(file, kPictureTypeAt) < 5 || bits == 8)) return Alpha::None;
  return bits == 1 || bits == 4 ? Alpha::Packed : Alpha::Bytes;
}

// The number of leading bytes of a level that readers take as palette indices.
std::uint64_t IndexPlaneLength(Alpha alpha, std::uint64_t stored, std::uint64_t area) {
  if (alpha != Alpha::Bytes) return std::min(stored, area);
  // The alpha plane starts half way into the level; a level shorter than two planes would
  // have its pixels read from bytes that are not its own.
  if (stored < 2 * area) Refuse("an alpha plane is shorter than its level's pixels");
  return std::min(stored / 2, area);
}

struct Level {
  std::uint32_t offset, size;  // as stored
  std::uint64_t indices;       // length of the index plane
};

}  // namespace

std::vector<std::uint8_t> TrimPalettedBlpImage(Bytes source) {
  if (source.size() < kBlp1HeaderSize) Refuse("the file is shorter than its header");
  if (GetU32(source, 0) != 0x31504C42u || GetU32(source, kBlp1CompressionAt) != 1)
    Refuse("not a BLP1 file with paletted content");
  Blp1Header header;
  std::copy_n(source.begin(), kBlp1HeaderSize, header.begin());
  const std::uint32_t width = GetU32(source, kBlp1WidthAt), height = GetU32(source, kBlp1HeightAt);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
    Refuse("a side is 0 or above 65535");
  const Alpha alpha = AlphaOf(source);

  const int levelCount = MipmapCountOf(header);
  const auto kinds = ClassifyLevelEntries(header, source.size(), levelCount);
  if (kinds[0] != LevelEntry::Level) Refuse("level 0 is empty or lies outside the file");
  std::vector<Level> levels;  // every distinct stored level, in entry order
  std::array<bool, 256> used{};
  for (int i = 0; i < levelCount; ++i) {
    if (kinds[i] == LevelEntry::Outside) Refuse("a level lies outside the file");
    if (kinds[i] != LevelEntry::Level) continue;
    const std::uint32_t offset = MipmapOffset(header, i), size = MipmapSize(header, i);
    if (std::any_of(levels.begin(), levels.end(), [&](const Level& l) { return l.offset == offset && l.size == size; }))
      continue;
    const LevelSides sides = DerivedLevelSides(width, height, MipmapSize(header, 0), size);
    const std::uint64_t area = std::uint64_t{sides.width} * sides.height;
    levels.push_back({offset, size, IndexPlaneLength(alpha, size, area)});
    for (const std::uint8_t index : source.subspan(offset, static_cast<std::size_t>(levels.back().indices)))
      used[index] = true;
  }

  // The new palette: the entries in use, in their order; each index maps to its rank.
  std::array<std::uint8_t, 256> remap{};
  std::vector<std::uint8_t> target(header.begin(), header.end());
  int kept = 0;
  for (int e = 0; e < 256; ++e) {
    if (!used[e]) continue;
    const std::size_t at = kPaletteAt + 4 * std::size_t(e);
    // Readers take every entry as it stands in the file, even where level data follows a
    // short palette; an entry past the end has no colour to keep.
    if (at + 4 > source.size()) Refuse("a pixel names a palette entry past the end of the file");
    target.insert(target.end(), source.begin() + std::ptrdiff_t(at), source.begin() + std::ptrdiff_t(at + 4));
    remap[std::size_t(e)] = static_cast<std::uint8_t>(kept++);
  }

  Blp1Header out = header;
  struct Moved {
    std::uint32_t oldOffset, oldSize, newOffset;
  };
  std::vector<Moved> moved;
  for (const Level& level : levels) {
    if (target.size() + level.size > 0xFFFFFFFFu) Refuse("the result exceeds 4 GiB");
    moved.push_back({level.offset, level.size, static_cast<std::uint32_t>(target.size())});
    const Bytes data = source.subspan(level.offset, level.size);
    const std::size_t indices = static_cast<std::size_t>(level.indices);
    for (std::size_t i = 0; i < indices; ++i) target.push_back(remap[data[i]]);
    target.insert(target.end(), data.begin() + std::ptrdiff_t(indices), data.end());
  }
  // Entries naming the same bytes name the same moved bytes; sizes never change.
  for (int i = 0; i < levelCount; ++i) {
    if (kinds[i] == LevelEntry::Empty) continue;  // no level: stays as it was
    const auto same = std::find_if(moved.begin(), moved.end(), [&](const Moved& m) {
      return m.oldOffset == MipmapOffset(header, i) && m.oldSize == MipmapSize(header, i);
    });
    SetMipmapOffset(out, i, same->newOffset);
  }
  // Past the chain: a comment stays as it is; entries that named bytes of the old or the new
  // file would name bytes that have moved, and are cleared (the new file may be the longer
  // one when levels overlapped; a second pass then finds nothing to clear).
  if (ReadBlpComment(header).empty()) {
    const std::size_t within = std::max(source.size(), target.size());
    for (int i = levelCount; i < 16; ++i) {
      const std::uint32_t end = MipmapOffset(header, i) + MipmapSize(header, i);  // 32-bit, as stored
      if (end <= within) {
        SetMipmapOffset(out, i, 0);
        SetMipmapSize(out, i, 0);
      }
    }
  }
  std::copy(out.begin(), out.end(), target.begin());
  return target;
}

}  // namespace ondrel
