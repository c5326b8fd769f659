// Colour blocks: the endpoints are fitted along the principal axis of the block's colours,
// indices are assigned by projection onto that axis (optionally with Floyd-Steinberg error
// spread inside the block), and the endpoints are refined once by least squares. A solid block
// takes tabulated endpoints. The float arithmetic is fixed to the bit (no contraction, round
// half to even) so the same pixels always give the same bytes: each value the fit and the
// refinement keep in single precision is computed in double and rounded once when stored.
#include "dxt_block_encoder.hpp"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "bytes.hpp"

namespace ormel::dxt {
namespace {

struct Rgb {
  int r, g, b;
};

// Round to nearest, ties to even. Every value rounded here is far below 2^51 in magnitude (at
// most a few million), where adding and removing 1.5 * 2^52 leaves exactly the rounded integer;
// this is the library call's result without the call, which dominated the encoder's profile.
// It needs double evaluation without excess precision or reassociation, which the core's
// compile options and FLT_EVAL_METHOD 0 guarantee; elsewhere the library call is used.
int RoundHalfEven(double v) {
#if FLT_EVAL_METHOD == 0
  constexpr double kMagic = 6755399441055744.0;  // 1.5 * 2^52
  if (std::fabs(v) < 2251799813685248.0) return static_cast<int>((v + kMagic) - kMagic);
#endif
  return static_cast<int>(std::nearbyint(v));
}

std::uint16_t Pack565(int r, int g, int b) {
  return static_cast<std::uint16_t>((MulDiv255(r, 31) << 11) + (MulDiv255(g, 63) << 5) +
                                    MulDiv255(b, 31));
}

Rgb Unpack565(unsigned c) {
  return {kWiden5[c >> 11], kWiden6[(c >> 5) & 63], kWiden5[c & 31]};
}

// Colour 0 = max16, colour 1 = min16, colours 2 and 3 at one and two thirds from 0 to 1.
void InterpolateColors(unsigned max16, unsigned min16, Rgb (&colors)[4]) {
  const Rgb c0 = Unpack565(max16), c1 = Unpack565(min16);
  colors[0] = c0;
  colors[1] = c1;
  colors[2] = {c0.r + MulDiv255(c1.r - c0.r, 85), c0.g + MulDiv255(c1.g - c0.g, 85),
               c0.b + MulDiv255(c1.b - c0.b, 85)};
  colors[3] = {c0.r + MulDiv255(c1.r - c0.r, 170), c0.g + MulDiv255(c1.g - c0.g, 170),
               c0.b + MulDiv255(c1.b - c0.b, 170)};
}

bool IsSolid(const PixelBlock& block) {
  for (int p = 1; p < 16; ++p)
    if (block.b[p] != block.b[0] || block.g[p] != block.g[0] || block.r[p] != block.r[0] ||
        block.a[p] != block.a[0])
      return false;
  return true;
}

// Floyd-Steinberg on one channel, quantizing to the 5- or 6-bit levels of snap.
void DitherChannel(const std::uint8_t* snap, const std::uint8_t* in, std::uint8_t* out) {
  constexpr int kLast = EncoderTables::kSnapSize - 1;
  // Values stay inside -8..263 in practice (a search over 60 million blocks, many of them near
  // the ends of the range, met -3..258); the clamp only guarantees that every lookup stays inside
  // the table, whose ends hold the clamped values anyway.
  const auto quantize = [&](int v) {
    return snap[std::clamp(v + EncoderTables::kSnapOffset, 0, kLast)];
  };
  int prev[4] = {0, 0, 0, 0};
  int cur[4];
  for (int row = 0; row < 4; ++row) {
    const std::uint8_t* u = in + 4 * row;
    std::uint8_t* q = out + 4 * row;
    q[0] = quantize(u[0] + (3 * prev[1] + 5 * prev[0]) / 16);
    cur[0] = u[0] - q[0];
    q[1] = quantize(u[1] + (7 * cur[0] + 3 * prev[2] + 5 * prev[1] + prev[0]) / 16);
    cur[1] = u[1] - q[1];
    q[2] = quantize(u[2] + (7 * cur[1] + 3 * prev[3] + 5 * prev[2] + prev[1]) / 16);
    cur[2] = u[2] - q[2];
    q[3] = quantize(u[3] + (7 * cur[2] + 5 * prev[3] + prev[2]) / 16);
    cur[3] = u[3] - q[3];
    std::copy(cur, cur + 4, prev);
  }
}

// Endpoints from the extremes of the block along its principal axis, found by four power
// iterations on the covariance matrix.
void FitEndpoints(const PixelBlock& block, std::uint16_t& max16, std::uint16_t& min16) {
  int sumR = 0, sumG = 0, sumB = 0;
  int minR = 255, minG = 255, minB = 255, maxR = 0, maxG = 0, maxB = 0;
  for (int p = 0; p < 16; ++p) {
    const int r = block.r[p], g = block.g[p], b = block.b[p];
    sumR += r;
    sumG += g;
    sumB += b;
    minR = std::min(minR, r);
    minG = std::min(minG, g);
    minB = std::min(minB, b);
    maxR = std::max(maxR, r);
    maxG = std::max(maxG, g);
    maxB = std::max(maxB, b);
  }
  const int meanR = (sumR + 8) >> 4, meanG = (sumG + 8) >> 4, meanB = (sumB + 8) >> 4;

  int rr = 0, rg = 0, rb = 0, gg = 0, gb = 0, bb = 0;
  for (int p = 0; p < 16; ++p) {
    const int r = block.r[p] - meanR, g = block.g[p] - meanG, b = block.b[p] - meanB;
    rr += r * r;
    rg += r * g;
    rb += r * b;
    gg += g * g;
    gb += g * b;
    bb += b * b;
  }
  // Integer sums below 2^24 divided in single precision: the correctly rounded quotient.
  const float crr = static_cast<float>(rr) / 255.0f, crg = static_cast<float>(rg) / 255.0f,
              crb = static_cast<float>(rb) / 255.0f, cgg = static_cast<float>(gg) / 255.0f,
              cgb = static_cast<float>(gb) / 255.0f, cbb = static_cast<float>(bb) / 255.0f;

  float vr = static_cast<float>(maxR - minR), vg = static_cast<float>(maxG - minG),
        vb = static_cast<float>(maxB - minB);
  for (int iteration = 0; iteration < 4; ++iteration) {
    // Each component in double (the products are exact there), then rounded to single.
    const double r = double{vr} * crr + double{vg} * crg + double{vb} * crb;
    const double g = double{vr} * crg + double{vg} * cgg + double{vb} * cgb;
    const double b = double{vr} * crb + double{vg} * cgb + double{vb} * cbb;
    vr = static_cast<float>(r);
    vg = static_cast<float>(g);
    vb = static_cast<float>(b);
  }

  const float magn = std::max({std::fabs(vr), std::fabs(vg), std::fabs(vb)});
  int wr = 148, wg = 300, wb = 58;  // no clear axis: weigh by luminance
  if (magn >= 4.0f) {
    const float s = 512.0f / magn;
    // The products are exact in double: rounded once, to the integer weight.
    wr = RoundHalfEven(double{vr} * s);
    wg = RoundHalfEven(double{vg} * s);
    wb = RoundHalfEven(double{vb} * s);
  }

  int minDot = INT_MAX, maxDot = -INT_MAX, minP = 0, maxP = 0;
  for (int p = 0; p < 16; ++p) {
    const int dot = block.r[p] * wr + block.g[p] * wg + block.b[p] * wb;
    if (dot < minDot) {
      minDot = dot;
      minP = p;
    }
    if (dot > maxDot) {
      maxDot = dot;
      maxP = p;
    }
  }
  max16 = Pack565(block.r[maxP], block.g[maxP], block.b[maxP]);
  min16 = Pack565(block.r[minP], block.g[minP], block.b[minP]);
}

// d < halfPoint ? (d < c0Point ? 1 : 3) : (d < c3Point ? 2 : 0), without branches: on noisy
// blocks the branches mispredicted on most pixels.
inline std::uint32_t ChooseIndex(int d, int c0Point, int halfPoint, int c3Point) {
  const std::uint32_t low = d < c0Point ? 1u : 3u;
  const std::uint32_t high = d < c3Point ? 2u : 0u;
  const std::uint32_t lowMask = 0u - static_cast<std::uint32_t>(d < halfPoint);
  return (low & lowMask) | (high & ~lowMask);
}

// The index word with Floyd-Steinberg error spread on the projections (scaled by 16, so the
// weights stay integers; the cut points come scaled alike). Only the left neighbour's error
// lies on the chain from pixel to pixel, so that step is kept short: the stop of the choice is
// selected directly rather than looked up by its index, and seven times the error enters as
// 7 * dot (known in advance) minus 7 * stop (selected alike). The index itself, and the
// terms of the row above, are off the chain.
std::uint32_t DitheredIndices(const int (&dots)[16], const int (&stops)[4], int c0Point,
                              int halfPoint, int c3Point) {
  const int s0 = stops[0], s1 = stops[1], s2 = stops[2], s3 = stops[3];
  const int t0 = 7 * s0, t1 = 7 * s1, t2 = 7 * s2, t3 = 7 * s3;
  // The stop (or 7 * stop: k0..k3) of the choice for e, as ChooseIndex chooses.
  const auto stopOf = [&](int e, int k1, int k3, int k2, int k0) {
    const int low = e < c0Point ? k1 : k3;
    const int high = e < c3Point ? k2 : k0;
    return e < halfPoint ? low : high;
  };
  std::uint32_t mask = 0;
  int p0 = 0, p1 = 0, p2 = 0, p3 = 0;  // errors of the row above
  for (int row = 0; row < 4; ++row) {
    const int* d = dots + 4 * row;
    const int e0 = 16 * d[0] + 3 * p1 + 5 * p0;
    const int e1 = 16 * d[1] + 7 * d[0] + 3 * p2 + 5 * p1 + p0 - stopOf(e0, t1, t3, t2, t0);
    const int e2 = 16 * d[2] + 7 * d[1] + 3 * p3 + 5 * p2 + p1 - stopOf(e1, t1, t3, t2, t0);
    const int e3 = 16 * d[3] + 7 * d[2] + 5 * p3 + p2 - stopOf(e2, t1, t3, t2, t0);
    p0 = d[0] - stopOf(e0, s1, s3, s2, s0);
    p1 = d[1] - stopOf(e1, s1, s3, s2, s0);
    p2 = d[2] - stopOf(e2, s1, s3, s2, s0);
    p3 = d[3] - stopOf(e3, s1, s3, s2, s0);
    const std::uint32_t indices = ChooseIndex(e0, c0Point, halfPoint, c3Point) |
                                  ChooseIndex(e1, c0Point, halfPoint, c3Point) << 2 |
                                  ChooseIndex(e2, c0Point, halfPoint, c3Point) << 4 |
                                  ChooseIndex(e3, c0Point, halfPoint, c3Point) << 6;
    mask |= indices << (8 * row);
  }
  return mask;
}

// Index word by projecting each pixel onto colour 0 - colour 1 and cutting at the midpoints
// of the four stops.
std::uint32_t AssignColorIndices(const PixelBlock& block, const Rgb (&colors)[4], bool dithering) {
  const int dirR = colors[0].r - colors[1].r, dirG = colors[0].g - colors[1].g,
            dirB = colors[0].b - colors[1].b;
  int dots[16];
  for (int p = 0; p < 16; ++p) dots[p] = block.r[p] * dirR + block.g[p] * dirG + block.b[p] * dirB;
  int stops[4];
  for (int k = 0; k < 4; ++k) stops[k] = colors[k].r * dirR + colors[k].g * dirG + colors[k].b * dirB;

  int c0Point = (stops[1] + stops[3]) >> 1;
  int halfPoint = (stops[3] + stops[2]) >> 1;
  int c3Point = (stops[2] + stops[0]) >> 1;

  std::uint32_t mask = 0;
  if (!dithering) {
    for (int p = 15; p >= 0; --p)
      mask = (mask << 2) | ChooseIndex(dots[p], c0Point, halfPoint, c3Point);
    return mask;
  }

  return DitheredIndices(dots, stops, c0Point << 4, halfPoint << 4, c3Point << 4);
}

int Clamp565(double v, int top) { return std::clamp(RoundHalfEven(v), 0, top); }

// One least-squares step: the endpoints that best reproduce the block for the given indices.
// Returns whether either endpoint changed.
bool RefineEndpoints(const PixelBlock& block, std::uint16_t& max16, std::uint16_t& min16,
                     std::uint32_t mask) {
  // Per index: w0^2, w1^2 and w0 * w1 (in ninths) packed in one word, and the weight of max.
  static constexpr std::uint32_t kProducts[4] = {0x090000, 0x000900, 0x040102, 0x010402};
  static constexpr int kWeights[4] = {3, 0, 2, 1};
  std::uint32_t products = 0;
  int at1R = 0, at1G = 0, at1B = 0, at2R = 0, at2G = 0, at2B = 0;
  for (int p = 0; p < 16; ++p) {
    const unsigned s = (mask >> (2 * p)) & 3u;
    const int w = kWeights[s], r = block.r[p], g = block.g[p], b = block.b[p];
    products += kProducts[s];
    at1R += w * r;
    at1G += w * g;
    at1B += w * b;
    at2R += r;
    at2G += g;
    at2B += b;
  }
  at2R = 3 * at2R - at1R;
  at2G = 3 * at2G - at1G;
  at2B = 3 * at2B - at1B;

  const int xx = static_cast<int>(products >> 16), yy = static_cast<int>((products >> 8) & 255),
            xy = static_cast<int>(products & 255);
  if (xx == 0 || yy == 0 || xx * yy == xy * xy) return false;

  // The factors are single: each quotient is formed in double from the constant as written
  // (3 * 31 / 255 to 17 digits) and rounded once.
  const float frb = static_cast<float>(0.36470588235294118 / (xx * yy - xy * xy));
  const float fg = static_cast<float>(double{frb} * 63.0 / 31.0);
  // The level is (difference * factor + 0.5) rounded half to even, all in double (the product
  // is exact there): adding one half first is what the stored bytes were made with.
  const auto channel = [](int at1, int at2, int a, int b, float f, int top) {
    return Clamp565(static_cast<double>(at1 * a - at2 * b) * f + 0.5, top);
  };
  const auto newMax = static_cast<std::uint16_t>(channel(at1R, at2R, yy, xy, frb, 31) << 11 |
                                                 channel(at1G, at2G, yy, xy, fg, 63) << 5 |
                                                 channel(at1B, at2B, yy, xy, frb, 31));
  const auto newMin = static_cast<std::uint16_t>(channel(at2R, at1R, xx, xy, frb, 31) << 11 |
                                                 channel(at2G, at1G, xx, xy, fg, 63) << 5 |
                                                 channel(at2B, at1B, xx, xy, frb, 31));
  const bool changed = newMax != max16 || newMin != min16;
  max16 = newMax;
  min16 = newMin;
  return changed;
}

// The solid block's tabulated endpoints and indices, or false when the block is not solid.
bool EncodeSolid(const EncoderTables& t, const PixelBlock& block, std::uint16_t& max16,
                 std::uint16_t& min16, std::uint32_t& mask) {
  if (!IsSolid(block)) return false;
  const auto& r = t.singleColor5[block.r[0]];
  const auto& g = t.singleColor6[block.g[0]];
  const auto& b = t.singleColor5[block.b[0]];
  max16 = static_cast<std::uint16_t>(r[0] << 11 | g[0] << 5 | b[0]);
  min16 = static_cast<std::uint16_t>(r[1] << 11 | g[1] << 5 | b[1]);
  mask = 0xAAAAAAAAu;  // every pixel at one third from max16
  return true;
}

// Endpoints fitted to `fit` (the block or its dithered copy), indices always of the block.
void EncodeFitted(const PixelBlock& block, const PixelBlock& fit, bool dithering,
                  std::uint16_t& max16, std::uint16_t& min16, std::uint32_t& mask) {
  FitEndpoints(fit, max16, min16);
  Rgb colors[4];
  mask = 0;
  if (max16 != min16) {
    InterpolateColors(max16, min16, colors);
    mask = AssignColorIndices(block, colors, dithering);
  }
  if (RefineEndpoints(fit, max16, min16, mask)) {
    mask = 0;
    if (max16 != min16) {
      InterpolateColors(max16, min16, colors);
      mask = AssignColorIndices(block, colors, dithering);
    }
  }
}

void StoreColorBlock(std::uint16_t max16, std::uint16_t min16, std::uint32_t mask,
                     std::uint8_t* out) {
  // Four-colour order (c0 >= c1), so the block means the same to every decoder.
  if (max16 < min16) {
    std::swap(max16, min16);
    mask ^= 0x55555555u;
  }
  StoreU16LE(out, max16);
  StoreU16LE(out + 2, min16);
  StoreU32LE(out + 4, mask);
}

}  // namespace

void DitherForFit(const EncoderTables& t, const PixelBlock& block, PixelBlock& dithered) {
  DitherChannel(t.snap5.data(), block.b, dithered.b);
  DitherChannel(t.snap6.data(), block.g, dithered.g);
  DitherChannel(t.snap5.data(), block.r, dithered.r);
}

void EncodeColorBlock(const EncoderTables& t, const PixelBlock& block, bool dithering,
                      std::uint8_t* out) {
  std::uint16_t max16, min16;
  std::uint32_t mask;
  if (!EncodeSolid(t, block, max16, min16, mask)) {
    if (dithering) {
      PixelBlock dithered;
      DitherForFit(t, block, dithered);
      EncodeFitted(block, dithered, true, max16, min16, mask);
    } else {
      EncodeFitted(block, block, false, max16, min16, mask);
    }
  }
  StoreColorBlock(max16, min16, mask, out);
}

void EncodeDitheredColorBlock(const EncoderTables& t, const PixelBlock& block,
                              const PixelBlock& dithered, std::uint8_t* out) {
  std::uint16_t max16, min16;
  std::uint32_t mask;
  if (!EncodeSolid(t, block, max16, min16, mask))
    EncodeFitted(block, dithered, true, max16, min16, mask);
  StoreColorBlock(max16, min16, mask, out);
}

void EncodeAlphaBlock(const PixelBlock& block, std::uint8_t* out) {
  int mx = block.a[0], mn = block.a[0];
  for (int p = 1; p < 16; ++p) {
    mx = std::max<int>(mx, block.a[p]);
    mn = std::min<int>(mn, block.a[p]);
  }
  out[0] = static_cast<std::uint8_t>(mx);
  out[1] = static_cast<std::uint8_t>(mn);  // a0 >= a1: the eight-value table

  const int dist = mx - mn;
  const int bias = 7 * mn - dist / 2;
  const int d4 = 4 * dist, d2 = 2 * dist;
  std::uint64_t bits = 0;
  for (int p = 0; p < 16; ++p) {
    // Position n from 0 (mn) to 7 (mx), found without branches: they mispredict on noise.
    int a = 7 * block.a[p] - bias;
    const int m4 = -static_cast<int>(a > d4);
    a -= d4 & m4;
    const int m2 = -static_cast<int>(a > d2);
    a -= d2 & m2;
    const int n = (4 & m4) + (2 & m2) + static_cast<int>(a > dist);
    // Position 0 -> index 1, 7 -> index 0, 1..6 -> 7..2.
    unsigned index = static_cast<unsigned>(-n) & 7u;
    index ^= static_cast<unsigned>(index < 2);
    bits |= std::uint64_t{index} << (3 * p);
  }
  for (int i = 0; i < 6; ++i) out[2 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

}  // namespace ormel::dxt
