// Octree quantizer, nearest-colour lookup with a cell cache, and two-pass error diffusion.
// The order of every walk (scan bottom row first, merge last-in first-out per level, palette by
// depth-first walk, diffusion top row first) is part of the result, so it is kept exactly.
#include "quantize.hpp"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace ormel {

namespace {

constexpr std::int32_t kNone = -1;
constexpr int kMaxDepth = 8;
constexpr int kPaletteEntries = 256;

// One colour cube. Sums are 64-bit: a leaf may gather every pixel of a large image
// (16 million white pixels already overflow 32 bits), and a wrapped sum would give a wrong
// palette colour.
struct OctreeNode {
  bool leaf = false;
  std::int64_t count = 0;
  std::int64_t sumR = 0, sumG = 0, sumB = 0;
  std::int32_t nextInLevel = kNone;
  std::array<std::int32_t, 8> child{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
};

int ChildIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b, int depth) {
  const int shift = 7 - depth;
  return (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
}

}  // namespace

// The tree lives in a pool of nodes addressed by index; freed nodes are reused, so the pool
// never holds more than the live tree plus one insertion.
struct TColorQuantizer::Impl {
  int depth = kMaxDepth;
  int limit = kPaletteEntries;
  int leaves = 0;
  std::int32_t root = kNone;
  std::array<std::int32_t, kMaxDepth> levelChains{kNone, kNone, kNone, kNone,
                                                  kNone, kNone, kNone, kNone};
  std::vector<OctreeNode> pool;
  std::vector<std::int32_t> freeNodes;

  std::int32_t NewNode(int level) {
    std::int32_t index;
    if (!freeNodes.empty()) {
      index = freeNodes.back();
      freeNodes.pop_back();
      pool[index] = OctreeNode{};
    } else {
      index = static_cast<std::int32_t>(pool.size());
      pool.emplace_back();
    }
    OctreeNode& node = pool[index];
    node.leaf = level == depth;
    if (node.leaf) {
      ++leaves;
    } else {
      node.nextInLevel = levelChains[level];
      levelChains[level] = index;
    }
    return index;
  }

  void InsertColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (root == kNone) root = NewNode(0);
    std::int32_t current = root;
    for (int level = 0;; ++level) {
      OctreeNode& node = pool[current];
      if (node.leaf) {
        ++node.count;
        node.sumR += r;
        node.sumG += g;
        node.sumB += b;
        return;
      }
      const int slot = ChildIndex(r, g, b, level);
      std::int32_t next = node.child[slot];
      if (next == kNone) {
        next = NewNode(level + 1);  // may grow the pool: `node` is not used after this
        pool[current].child[slot] = next;
      }
      current = next;
    }
  }

  // One merge step; false when nothing is left to merge (cannot happen with a limit >= 1).
  bool MergeNode() {
    int level = depth - 1;
    while (level > 0 && levelChains[level] == kNone) --level;
    const std::int32_t index = levelChains[level];
    if (index == kNone) return false;
    OctreeNode& node = pool[index];
    levelChains[level] = node.nextInLevel;
    std::int64_t sumR = 0, sumG = 0, sumB = 0;
    int merged = 0;
    for (std::int32_t& childIndex : node.child) {
      if (childIndex == kNone) continue;
      const OctreeNode& child = pool[childIndex];
      node.count += child.count;
      sumR += child.sumR;
      sumG += child.sumG;
      sumB += child.sumB;
      freeNodes.push_back(childIndex);
      childIndex = kNone;
      ++merged;
    }
    node.leaf = true;
    node.sumR = sumR;
    node.sumG = sumG;
    node.sumB = sumB;
    leaves -= merged - 1;
    return true;
  }

  void Fill(std::int32_t index, Palette& palette, int& next) const {
    if (index == kNone || next >= kPaletteEntries) return;
    const OctreeNode& node = pool[index];
    if (node.leaf) {
      std::uint8_t* entry = &palette[std::size_t(next) * 4];
      const std::int64_t count = node.count;
      entry[0] = count ? static_cast<std::uint8_t>(node.sumB / count) : 0;
      entry[1] = count ? static_cast<std::uint8_t>(node.sumG / count) : 0;
      entry[2] = count ? static_cast<std::uint8_t>(node.sumR / count) : 0;
      entry[3] = 0;
      ++next;
      return;
    }
    for (std::int32_t child : node.child) Fill(child, palette, next);
  }
};

TColorQuantizer::TColorQuantizer(int limit, int depth) : impl_(std::make_unique<Impl>()) {
  if (limit < 1 || limit > kPaletteEntries)
    throw std::invalid_argument("colour quantizer: the colour limit must be 1..256");
  if (depth < 1 || depth > kMaxDepth)
    throw std::invalid_argument("colour quantizer: the tree depth must be 1..8");
  impl_->limit = limit;
  impl_->depth = depth;
}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::ScanBitmap(ImageView image) {
  if (image.pixels == nullptr) return;
  Impl& tree = *impl_;
  for (std::uint32_t y = image.height; y-- > 0;) {
    const std::uint8_t* p = image.row(y);
    for (std::uint32_t x = 0; x < image.width; ++x, p += 4) {
      tree.InsertColor(p[2], p[1], p[0]);
      while (tree.leaves > tree.limit && tree.MergeNode()) {
      }
    }
  }
}

void TColorQuantizer::FillPalette(Palette& palette) const {
  int next = 0;
  impl_->Fill(impl_->root, palette, next);
}

int TColorQuantizer::Leaves() const { return impl_->leaves; }

namespace {

constexpr std::size_t kCells = 32768;

std::size_t CellOf(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (std::size_t(b >> 3) << 10) | (std::size_t(g >> 3) << 5) | std::size_t(r >> 3);
}

}  // namespace

TColorLookup::TColorLookup(const Palette& palette, int lastIndex)
    : palette_(palette),
      // An empty palette (lastIndex < 0) answers 0 for every colour, as searching entry 0
      // alone does; more than 256 entries do not exist.
      lastIndex_(std::clamp(lastIndex, 0, kPaletteEntries - 1)),
      cache_(kCells, -1) {
  for (int index = 0; index <= lastIndex_; ++index) {
    const std::uint8_t* entry = &palette_[std::size_t(index) * 4];
    std::int16_t& cell = cache_[CellOf(entry[2], entry[1], entry[0])];
    if (cell == -1) cell = static_cast<std::int16_t>(index);
  }
}

std::uint32_t TColorLookup::Nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::int16_t& cell = cache_[CellOf(r, g, b)];
  if (cell >= 0) return static_cast<std::uint32_t>(cell);
  int best = 0;
  int bestDistance = 0x30000;
  for (int index = 0; index <= lastIndex_; ++index) {
    const std::uint8_t* entry = &palette_[std::size_t(index) * 4];
    const int distance = std::abs(entry[2] - r) + std::abs(entry[1] - g) + std::abs(entry[0] - b);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = index;
    }
  }
  cell = static_cast<std::int16_t>(best);
  return static_cast<std::uint32_t>(best);
}

std::uint32_t TColorLookup::Nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                    std::uint8_t& outR, std::uint8_t& outG, std::uint8_t& outB) {
  const std::uint32_t index = Nearest(r, g, b);
  const std::uint8_t* entry = &palette_[std::size_t(index) * 4];
  outB = entry[0];
  outG = entry[1];
  outR = entry[2];
  return index;
}

// The sum is exact in single precision (small integers over a power of two); truncated
// toward zero, then clamped.
std::uint8_t DiffusedValue(int old, int error, int k, int d) {
  const float sum = float(old) + float(k) * float(error) / float(d);
  return static_cast<std::uint8_t>(std::clamp(static_cast<int>(sum), 0, 255));
}

namespace {

struct Share {
  int dx, dy, k;
};

void Spread(std::uint8_t* pixel, const int error[3], int k, int d) {
  for (int c = 0; c < 3; ++c) pixel[c] = DiffusedValue(pixel[c], error[c], k, d);
}

template <std::size_t N>
void DiffusionPass(MutableImageView image, TColorLookup& lookup, const Share (&shares)[N],
                   int d) {
  const std::int64_t w = image.width, h = image.height;
  for (std::int64_t y = 0; y < h; ++y) {
    std::uint8_t* row = image.row(static_cast<std::uint32_t>(y));
    for (std::int64_t x = 0; x < w; ++x) {
      std::uint8_t* p = row + x * 4;
      std::uint8_t r, g, b;
      lookup.Nearest(p[2], p[1], p[0], r, g, b);
      const int error[3] = {p[0] - b, p[1] - g, p[2] - r};  // blue, green, red
      p[0] = b;
      p[1] = g;
      p[2] = r;
      for (const Share& s : shares) {
        const std::int64_t nx = x + s.dx, ny = y + s.dy;
        if (nx < 0 || nx >= w || ny >= h) continue;
        Spread(image.row(static_cast<std::uint32_t>(ny)) + nx * 4, error, s.k, d);
      }
    }
  }
}

}  // namespace

void DiffuseToPalette(MutableImageView image, TColorLookup& lookup) {
  if (image.pixels == nullptr) return;
  static constexpr Share kFirstPass[] = {{1, 0, 2}, {0, 1, 1}, {1, 1, 1}};
  static constexpr Share kFloydSteinberg[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
  DiffusionPass(image, lookup, kFirstPass, 4);
  DiffusionPass(image, lookup, kFloydSteinberg, 16);
}

}  // namespace ormel
