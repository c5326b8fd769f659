// Lanczos-3 resampler and nearest-neighbour stretch of 32-bit (blue, green, red, alpha) images.
// Shared word for word by the library (mipmaps) and the program (zoom): it depends on
// image_view.hpp, standard headers and the compiler's intrinsics only.
//
// Exactness: every result byte follows from a fixed sequence of operations. The mapping tables
// keep single-precision values, each computed in double and rounded once when stored; the
// pixel kernels accumulate in single precision, rounding after each step. They are vectorised
// across pixels and channels only, never across the taps of one sum, so each accumulator adds
// its terms in the table's order.
#include "resample.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#if defined(__FAST_MATH__)
#error "The resampler needs exact IEEE single-precision arithmetic: build it without fast-math."
#endif
#if FLT_EVAL_METHOD != 0
#error "The resampler needs single-precision float evaluation (SSE, not the x87 stack)."
#endif
// A fused multiply-add rounds once where the arithmetic rounds twice: forbid it here whatever
// the build's flags or target.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace ormel {

// --- Kernel -------------------------------------------------------------------------------

float SincValue(float x) {
  if (x == 0.0f) return 1.0f;
  // pi is an extended-precision constant, so x * pi is an extended product rounded to single.
  // long double carries it (a 64-bit mantissa on x86); a double product would use a pi
  // rounded to 53 bits instead. Rounding twice (to 64 bits, then 24) equals rounding the exact
  // product once unless the 64-bit product lies exactly halfway between two floats; an
  // exhaustive check over every float in (0, 3), the whole range the kernel sees, found no
  // such x. The quotient is likewise formed in extended precision and rounded once; a sampled
  // check (every 16th float) found none within 64 extended ulps of a halfway point, so the
  // last bits of the sine routine do not reach the single result.
  constexpr long double kPi = 3.1415926535897932385L;
  const float t = static_cast<float>(static_cast<long double>(x) * kPi);
  const long double tl = t;
  return static_cast<float>(std::sin(tl) / tl);
}

float LanczosWeight(float x) {
  x = std::fabs(x);
  if (x >= 3.0f) return 0.0f;
  const float third = x / 3.0f;
  return SincValue(x) * SincValue(third);
}

// --- Mapping tables -----------------------------------------------------------------------

namespace {

std::int32_t ClampIndex(std::int64_t j, std::int32_t lo, std::int32_t hi) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(j, lo, hi - 1));
}

std::int64_t FloorToInt(double v) { return static_cast<std::int64_t>(std::floor(v)); }
std::int64_t CeilToInt(double v) { return static_cast<std::int64_t>(std::ceil(v)); }

// The weights of one entry sum to 1: the single-precision residue of the sum goes to the
// middle contributor.
void Normalise(std::span<Contributor> entry) {
  float running = -1.0f;
  for (const Contributor& c : entry) running = running + c.weight;
  if (running != 0.0f && !entry.empty()) {
    Contributor& middle = entry[(entry.size() - 1) / 2];
    middle.weight = middle.weight - running;
  }
}

}  // namespace

ContributorTable BuildContributorRange(std::int64_t dstCount, std::int32_t srcLo,
                                       std::int32_t srcHi, std::int64_t first,
                                       std::int64_t count, FilterFunction filter, float radius) {
  ContributorTable table;
  const std::int64_t sourceCount = std::int64_t{srcHi} - srcLo;
  if (dstCount <= 0 || sourceCount <= 0 || count <= 0) return table;
  if (sourceCount == 1) {
    for (std::int64_t i = 0; i < count; ++i) {
      table.Append({srcLo, 1.0f});
      table.EndEntry();
    }
    return table;
  }
  // Each value the table keeps in single precision (the scale, the window, the centre, the
  // filter's argument, the weight) is computed in double from singles and integers and rounded
  // once, when it is stored; the window bounds are taken from the unrounded sums.
  const float scale = static_cast<float>(static_cast<double>(dstCount) / sourceCount);
  const double originShift = static_cast<double>(srcLo) - 0.5;
  for (std::int64_t i = first; i < first + count; ++i) {
    const double sampleCentre = static_cast<double>(i) + 0.5;
    if (scale < 1.0f) {
      // Reduction: the window widens by 1 / scale and the kernel is squeezed to match.
      const float r = radius / scale;
      const float centre = static_cast<float>(sampleCentre / scale + originShift);
      const std::int64_t hi = CeilToInt(double{centre} + r);
      for (std::int64_t j = FloorToInt(double{centre} - r); j <= hi; ++j) {
        const float distance = static_cast<float>((centre - static_cast<double>(j)) * scale);
        const float w = filter(distance) * scale;
        if (w != 0.0f) table.Append({ClampIndex(j, srcLo, srcHi), w});
      }
      // Only reachable with a filter that vanishes over the whole window. The entry is then
      // the nearest sample, kept inside the source, with the full weight.
      if (table.Current().empty()) table.Append({ClampIndex(FloorToInt(centre), srcLo, srcHi), 1.0f});
    } else {
      const float centre = static_cast<float>(sampleCentre * (1.0 / scale) + originShift);
      const std::int64_t hi = CeilToInt(double{centre} + radius);
      for (std::int64_t j = FloorToInt(double{centre} - radius); j <= hi; ++j) {
        const float w = filter(static_cast<float>(centre - static_cast<double>(j)));
        if (w != 0.0f) table.Append({ClampIndex(j, srcLo, srcHi), w});
      }
    }
    Normalise(table.Current());
    table.EndEntry();
  }
  return table;
}

ContributorTable BuildContributors(std::int64_t dstLo, std::int64_t dstHi, std::int32_t srcLo,
                                   std::int32_t srcHi, FilterFunction filter, float radius) {
  const std::int64_t count = dstHi - dstLo;
  return BuildContributorRange(count, srcLo, srcHi, 0, count, filter, radius);
}

// --- Pixel kernels ------------------------------------------------------------------------

namespace {

// The horizontal table in a flat form with the same number of taps for every entry: shorter
// entries are padded at their end with weight 0 on their last column. Adding 0 * (a finite
// value) leaves a sum unchanged (at most the sign of a zero sum, which rounds to the same
// byte), so padded entries give the same bytes.
struct FlatTable {
  std::size_t count = 0;  // entries
  std::size_t taps = 0;   // slots per entry
  std::vector<std::int32_t> offsets;  // into the row buffer, in floats
  std::vector<float> weights;
};

FlatTable Flatten(const ContributorTable& columns, std::int32_t minCol) {
  FlatTable flat;
  flat.count = columns.size();
  for (std::size_t i = 0; i < columns.size(); ++i)
    flat.taps = std::max(flat.taps, columns[i].size());
  flat.offsets.resize(flat.count * flat.taps);
  flat.weights.resize(flat.count * flat.taps);
  for (std::size_t i = 0; i < flat.count; ++i) {
    const auto entry = columns[i];
    for (std::size_t k = 0; k < flat.taps; ++k) {
      const bool real = k < entry.size();
      const Contributor& c = real ? entry[k] : entry.back();
      flat.offsets[i * flat.taps + k] = (c.pos - minCol) * 4;
      flat.weights[i * flat.taps + k] = real ? c.weight : 0.0f;
    }
  }
  return flat;
}

// Vertical pass: out[p] = sum over taps k of float(rows[k][p]) * weights[k], per channel, in
// tap order. Horizontal pass: each destination pixel from the row buffer, in tap order,
// rounded half to even and clamped.
using VerticalKernel = void (*)(const std::uint8_t* const* rows, const float* weights,
                                std::size_t taps, std::size_t pixels, float* out);
using HorizontalKernel = void (*)(const float* buffer, const FlatTable& table,
                                  std::uint8_t* out);

std::uint8_t ToByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(std::nearbyint(v), 0.0f, 255.0f));
}

// Portable versions, for targets without the vector paths below.
void VerticalScalar(const std::uint8_t* const* rows, const float* weights, std::size_t taps,
                    std::size_t pixels, float* out) {
  for (std::size_t i = 0; i < pixels * 4; ++i) {
    float acc = 0.0f;
    for (std::size_t k = 0; k < taps; ++k)
      acc = acc + static_cast<float>(rows[k][i]) * weights[k];
    out[i] = acc;
  }
}

void HorizontalScalar(const float* buffer, const FlatTable& table, std::uint8_t* out) {
  for (std::size_t i = 0; i < table.count; ++i) {
    const std::int32_t* offsets = &table.offsets[i * table.taps];
    const float* weights = &table.weights[i * table.taps];
    for (int c = 0; c < 4; ++c) {
      float acc = 0.0f;
      for (std::size_t k = 0; k < table.taps; ++k)
        acc = acc + buffer[offsets[k] + c] * weights[k];
      out[i * 4 + c] = ToByte(acc);
    }
  }
}

#if defined(__x86_64__)
// x86-64 always has SSE2; AVX2 is chosen at run time. Neither brings fused multiply-add, and
// the contraction pragma above forbids it anyway.

inline __attribute__((always_inline)) __m128 PixelToFloats(const std::uint8_t* p) {
  std::int32_t bits;
  std::memcpy(&bits, p, 4);
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bits), zero);
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
}

// Cvtps rounds in the current mode, the default round half to even, as nearbyint does.
// Clamping first changes nothing, the bounds being integers.
inline __attribute__((always_inline)) __m128i RoundClamp(__m128 v) {
  v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  return _mm_cvtps_epi32(v);
}

void VerticalTailSse2(const std::uint8_t* const* rows, const float* weights, std::size_t taps,
                      std::size_t from, std::size_t pixels, float* out) {
  for (std::size_t p = from; p < pixels; ++p) {
    __m128 acc = _mm_setzero_ps();
    for (std::size_t k = 0; k < taps; ++k)
      acc = _mm_add_ps(acc, _mm_mul_ps(PixelToFloats(rows[k] + p * 4), _mm_set1_ps(weights[k])));
    _mm_storeu_ps(out + p * 4, acc);
  }
}

void VerticalSse2(const std::uint8_t* const* rows, const float* weights, std::size_t taps,
                  std::size_t pixels, float* out) {
  constexpr std::size_t kStep = 8;  // pixels: eight independent sums in flight
  const __m128i zero = _mm_setzero_si128();
  std::size_t p = 0;
  for (; p + kStep <= pixels; p += kStep) {
    __m128 acc[8];
    for (auto& a : acc) a = _mm_setzero_ps();
    for (std::size_t k = 0; k < taps; ++k) {
      const __m128 w = _mm_set1_ps(weights[k]);
      const std::uint8_t* s = rows[k] + p * 4;
#pragma GCC unroll 2
      for (int half = 0; half < 2; ++half) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + half * 16));
        const __m128i lo = _mm_unpacklo_epi8(bytes, zero);
        const __m128i hi = _mm_unpackhi_epi8(bytes, zero);
        const __m128 f[4] = {_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)),
                             _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)),
                             _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)),
                             _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero))};
#pragma GCC unroll 4
        for (int v = 0; v < 4; ++v)
          acc[half * 4 + v] = _mm_add_ps(acc[half * 4 + v], _mm_mul_ps(f[v], w));
      }
    }
#pragma GCC unroll 8
    for (int v = 0; v < 8; ++v) _mm_storeu_ps(out + (p + v) * 4, acc[v]);
  }
  VerticalTailSse2(rows, weights, taps, p, pixels, out);
}

__attribute__((target("avx2"))) void VerticalAvx2(const std::uint8_t* const* rows,
                                                  const float* weights, std::size_t taps,
                                                  std::size_t pixels, float* out) {
  constexpr std::size_t kStep = 16;  // pixels: eight sums of two pixels each in flight
  std::size_t p = 0;
  for (; p + kStep <= pixels; p += kStep) {
    __m256 acc[8];
    for (auto& a : acc) a = _mm256_setzero_ps();
    for (std::size_t k = 0; k < taps; ++k) {
      const __m256 w = _mm256_set1_ps(weights[k]);
      const std::uint8_t* s = rows[k] + p * 4;
#pragma GCC unroll 8
      for (int v = 0; v < 8; ++v) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + v * 8));
        const __m256 f = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes));
        acc[v] = _mm256_add_ps(acc[v], _mm256_mul_ps(f, w));
      }
    }
#pragma GCC unroll 8
    for (int v = 0; v < 8; ++v) _mm256_storeu_ps(out + (p + 2 * v) * 4, acc[v]);
  }
  VerticalTailSse2(rows, weights, taps, p, pixels, out);
}

// Shared by the SSE2 and the AVX2 build of the horizontal pass: in the AVX2 build the same
// operations get the VEX forms (broadcasts from memory, three operands).
inline __attribute__((always_inline)) void HorizontalBody(const float* buffer,
                                                          const FlatTable& table,
                                                          std::uint8_t* out) {
  constexpr std::size_t kStep = 4;  // pixels: four independent sums in flight
  const std::size_t taps = table.taps;
  std::size_t i = 0;
  for (; i + kStep <= table.count; i += kStep) {
    const std::int32_t* offsets = &table.offsets[i * taps];
    const float* weights = &table.weights[i * taps];
    __m128 acc[kStep];
    for (auto& a : acc) a = _mm_setzero_ps();
    for (std::size_t k = 0; k < taps; ++k) {
#pragma GCC unroll 4
      for (std::size_t v = 0; v < kStep; ++v) {
        const std::size_t slot = v * taps + k;
        acc[v] = _mm_add_ps(acc[v], _mm_mul_ps(_mm_loadu_ps(buffer + offsets[slot]),
                                               _mm_set1_ps(weights[slot])));
      }
    }
    const __m128i low = _mm_packs_epi32(RoundClamp(acc[0]), RoundClamp(acc[1]));
    const __m128i high = _mm_packs_epi32(RoundClamp(acc[2]), RoundClamp(acc[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), _mm_packus_epi16(low, high));
  }
  for (; i < table.count; ++i) {
    const std::int32_t* offsets = &table.offsets[i * taps];
    const float* weights = &table.weights[i * taps];
    __m128 acc = _mm_setzero_ps();
    for (std::size_t k = 0; k < taps; ++k)
      acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(buffer + offsets[k]), _mm_set1_ps(weights[k])));
    const __m128i words = _mm_packs_epi32(RoundClamp(acc), _mm_setzero_si128());
    const std::int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + i * 4, &bytes, 4);
  }
}

void HorizontalSse2(const float* buffer, const FlatTable& table, std::uint8_t* out) {
  HorizontalBody(buffer, table, out);
}

__attribute__((target("avx2"))) void HorizontalAvx2(const float* buffer, const FlatTable& table,
                                                    std::uint8_t* out) {
  HorizontalBody(buffer, table, out);
}
#endif

struct Kernels {
  VerticalKernel vertical;
  HorizontalKernel horizontal;
};

Kernels ChooseKernels(KernelChoice choice) {
  if (choice == KernelChoice::Scalar) return {VerticalScalar, HorizontalScalar};
#if defined(__x86_64__)
  if (choice == KernelChoice::Best && __builtin_cpu_supports("avx2"))
    return {VerticalAvx2, HorizontalAvx2};
  return {VerticalSse2, HorizontalSse2};
#else
  return {VerticalScalar, HorizontalScalar};
#endif
}

const Kernels& SelectKernels(KernelChoice choice) {
  static const Kernels best = ChooseKernels(KernelChoice::Best);
  static const Kernels baseline = ChooseKernels(KernelChoice::Baseline);
  static const Kernels scalar = ChooseKernels(KernelChoice::Scalar);
  return choice == KernelChoice::Best ? best
         : choice == KernelChoice::Baseline ? baseline
                                            : scalar;
}

// Writes columns.size() x rows.size() pixels at the destination's origin.
void ResampleWithTables(ImageView source, const ContributorTable& columns,
                        const ContributorTable& rows, MutableImageView destination,
                        KernelChoice choice) {
  if (columns.empty() || rows.empty() || !source.pixels || !destination.pixels) return;
  std::int32_t minCol = std::numeric_limits<std::int32_t>::max();
  std::int32_t maxCol = std::numeric_limits<std::int32_t>::min();
  for (const Contributor& c : columns.all()) {
    minCol = std::min(minCol, c.pos);
    maxCol = std::max(maxCol, c.pos);
  }
  const std::size_t bufferPixels = std::size_t(maxCol - minCol) + 1;
  // Row-buffer offsets are 32-bit float indices.
  if (bufferPixels > std::size_t{std::numeric_limits<std::int32_t>::max()} / 4)
    throw std::invalid_argument("resample: source rows too long");

  const FlatTable flat = Flatten(columns, minCol);
  const Kernels& kernels = SelectKernels(choice);
  std::vector<float> buffer(bufferPixels * 4);
  std::vector<const std::uint8_t*> tapRows;
  std::vector<float> tapWeights;
  for (std::size_t y = 0; y < rows.size(); ++y) {
    tapRows.clear();
    tapWeights.clear();
    for (const Contributor& c : rows[y]) {
      tapRows.push_back(source.row(static_cast<std::uint32_t>(c.pos)) + std::size_t(minCol) * 4);
      tapWeights.push_back(c.weight);
    }
    kernels.vertical(tapRows.data(), tapWeights.data(), tapRows.size(), bufferPixels,
                     buffer.data());
    kernels.horizontal(buffer.data(), flat, destination.row(static_cast<std::uint32_t>(y)));
  }
}

MutableImageView SubView(MutableImageView image, std::uint32_t x, std::uint32_t y,
                         std::uint32_t width, std::uint32_t height) {
  return {image.pixels + y * image.stride + std::size_t{x} * 4, width, height, image.stride};
}

void StretchRegion(ImageView source, std::uint32_t fullWidth, std::uint32_t fullHeight,
                   Rect region, MutableImageView destination) {
  if (source.width == 0 || source.height == 0 || !source.pixels || !destination.pixels) return;
  std::vector<std::uint32_t> sourceColumn(region.width);
  for (std::uint32_t i = 0; i < region.width; ++i)
    sourceColumn[i] = NearestSource(region.x + std::uint64_t{i}, source.width, fullWidth);
  for (std::uint32_t y = 0; y < region.height; ++y) {
    const std::uint8_t* in =
        source.row(NearestSource(region.y + std::uint64_t{y}, source.height, fullHeight));
    std::uint8_t* out = destination.row(y);
    for (std::uint32_t i = 0; i < region.width; ++i)
      std::memcpy(out + std::size_t{i} * 4, in + std::size_t{sourceColumn[i]} * 4, 4);
  }
}

void RequireInt32(std::uint64_t v, const char* what) {
  if (v > std::uint64_t{std::numeric_limits<std::int32_t>::max()})
    throw std::invalid_argument(what);
}

}  // namespace

std::uint32_t NearestSource(std::uint64_t i, std::uint64_t srcCount, std::uint64_t dstCount) {
  const unsigned __int128 numerator = (static_cast<unsigned __int128>(i) * 2 + 1) * srcCount;
  return static_cast<std::uint32_t>(numerator / (static_cast<unsigned __int128>(dstCount) * 2));
}

// --- Entries ------------------------------------------------------------------------------

void Resample(ImageView source, std::int32_t srcX, std::int32_t srcY, std::int32_t srcW,
              std::int32_t srcH, MutableImageView destination, std::int32_t dstX,
              std::int32_t dstY, std::int32_t dstW, std::int32_t dstH, FilterFunction filter,
              float radius, KernelChoice choice) {
  if (srcX < 0 || srcY < 0 || srcW < 0 || srcH < 0 || dstX < 0 || dstY < 0 || dstW < 0 ||
      dstH < 0 || std::uint64_t(srcX) + srcW > source.width ||
      std::uint64_t(srcY) + srcH > source.height ||
      std::uint64_t(dstX) + dstW > destination.width ||
      std::uint64_t(dstY) + dstH > destination.height)
    throw std::invalid_argument("resample: rectangle outside its image");
  const ContributorTable columns =
      BuildContributors(dstX, std::int64_t{dstX} + dstW, srcX, srcX + srcW, filter, radius);
  const ContributorTable rows =
      BuildContributors(dstY, std::int64_t{dstY} + dstH, srcY, srcY + srcH, filter, radius);
  if (columns.empty() || rows.empty()) return;
  ResampleWithTables(source, columns, rows,
                     SubView(destination, std::uint32_t(dstX), std::uint32_t(dstY),
                             std::uint32_t(dstW), std::uint32_t(dstH)),
                     choice);
}

void ScaleBitmap(ImageView source, MutableImageView destination, bool useLanczos) {
  if (!useLanczos) {
    StretchRegion(source, destination.width, destination.height,
                  {0, 0, destination.width, destination.height}, destination);
    return;
  }
  RequireInt32(source.width, "resample: source too wide");
  RequireInt32(source.height, "resample: source too high");
  RequireInt32(destination.width, "resample: destination too wide");
  RequireInt32(destination.height, "resample: destination too high");
  Resample(source, 0, 0, std::int32_t(source.width), std::int32_t(source.height), destination,
           0, 0, std::int32_t(destination.width), std::int32_t(destination.height),
           LanczosWeight, 2.0f);
}

void ScaleRegion(ImageView source, std::uint32_t fullWidth, std::uint32_t fullHeight,
                 Rect region, MutableImageView destination, bool useLanczos) {
  if (std::uint64_t{region.x} + region.width > fullWidth ||
      std::uint64_t{region.y} + region.height > fullHeight)
    throw std::invalid_argument("resample: region outside the scaled image");
  if (destination.width < region.width || destination.height < region.height)
    throw std::invalid_argument("resample: destination smaller than the region");
  if (region.width == 0 || region.height == 0) return;
  if (!useLanczos) {
    StretchRegion(source, fullWidth, fullHeight, region, destination);
    return;
  }
  RequireInt32(source.width, "resample: source too wide");
  RequireInt32(source.height, "resample: source too high");
  const ContributorTable columns =
      BuildContributorRange(fullWidth, 0, std::int32_t(source.width), region.x, region.width,
                            LanczosWeight, 2.0f);
  const ContributorTable rows =
      BuildContributorRange(fullHeight, 0, std::int32_t(source.height), region.y,
                            region.height, LanczosWeight, 2.0f);
  ResampleWithTables(source, columns, rows, destination, KernelChoice::Best);
}

}  // namespace ormel
