// Lanczos-3 resampling and nearest-neighbour stretching of 32-bit images. Compiled into the
// library (mipmaps) and into the program (zoom), so both scale identically.
//
// The Lanczos mode is fixed to the bit: mapping tables of single-precision weights, each value
// computed in double and rounded once when stored; single-precision sums rounded after each
// step, the vertical pass into an unrounded float row, then the horizontal pass, rounded half
// to even and clamped. Build it without -ffast-math and without fused
// multiply-add (the source also asks for that by pragma).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image_view.hpp"

namespace ormel {

// Fills the whole destination from the whole source. An empty source or destination leaves
// the destination untouched.
void ScaleBitmap(ImageView source, MutableImageView destination, bool useLanczos);

struct Rect {
  std::uint32_t x = 0, y = 0, width = 0, height = 0;
};

// Computes `region` of the result of scaling `source` to fullWidth x fullHeight, pixel for
// pixel equal to that rectangle of ScaleBitmap's output, into `destination`
// (region.width x region.height), in time and memory proportional to the region.
// Throws std::invalid_argument when the region leaves the full size or the destination is
// smaller than the region.
void ScaleRegion(ImageView source, std::uint32_t fullWidth, std::uint32_t fullHeight,
                 Rect region, MutableImageView destination, bool useLanczos);

// The plain stretch picks, for destination column i of dstCount, the source column whose
// extent holds the centre of i: floor((2i + 1) * srcCount / (2 * dstCount)). Rows likewise.
std::uint32_t NearestSource(std::uint64_t i, std::uint64_t srcCount, std::uint64_t dstCount);

// --- Building blocks of the Lanczos mode -------------------------------------------------

using FilterFunction = float (*)(float);

// sin(x * pi) / (x * pi) with x * pi rounded to single; 1 at 0.
float SincValue(float x);
// Lanczos-3: SincValue(x) * SincValue(x / 3) for |x| < 3, else 0.
float LanczosWeight(float x);

struct Contributor {
  std::int32_t pos;  // source index, clamped into the source range
  float weight;
  bool operator==(const Contributor&) const = default;
};

// One list of contributors per destination sample, in ascending source order.
class ContributorTable {
 public:
  std::size_t size() const { return first_.size() - 1; }
  bool empty() const { return size() == 0; }
  std::span<const Contributor> operator[](std::size_t i) const {
    return {list_.data() + first_[i], list_.data() + first_[i + 1]};
  }
  std::span<const Contributor> all() const { return list_; }

  void Append(Contributor c) { list_.push_back(c); }
  std::span<Contributor> Current() { return {list_.data() + first_.back(), list_.data() + list_.size()}; }
  void EndEntry() { first_.push_back(list_.size()); }

 private:
  std::vector<Contributor> list_;
  std::vector<std::size_t> first_{0};
};

// Mapping table for one axis: destination indices dstLo..dstHi-1 from source indices
// srcLo..srcHi-1. Sampling that wraps around the edges is not supported (nothing asks for it).
ContributorTable BuildContributors(std::int64_t dstLo, std::int64_t dstHi, std::int32_t srcLo,
                                   std::int32_t srcHi, FilterFunction filter, float radius);

// Entries first..first+count-1 of the table that maps dstCount samples onto srcLo..srcHi-1,
// equal to those entries of the whole table (each entry depends only on its own index).
ContributorTable BuildContributorRange(std::int64_t dstCount, std::int32_t srcLo,
                                       std::int32_t srcHi, std::int64_t first,
                                       std::int64_t count, FilterFunction filter, float radius);

// Which pixel kernels run: the fastest the processor offers, the baseline vector set of the
// target (SSE2 on x86-64), or plain scalar code. All three give the same bytes; the choice
// exists so tests and benchmarks can run each.
enum class KernelChoice { Best, Baseline, Scalar };

// Scales the source rectangle (srcX, srcY, srcW, srcH) onto the destination rectangle
// (dstX, dstY, dstW, dstH), both inside their images.
void Resample(ImageView source, std::int32_t srcX, std::int32_t srcY, std::int32_t srcW,
              std::int32_t srcH, MutableImageView destination, std::int32_t dstX,
              std::int32_t dstY, std::int32_t dstW, std::int32_t dstH, FilterFunction filter,
              float radius, KernelChoice choice = KernelChoice::Best);

}  // namespace ormel
