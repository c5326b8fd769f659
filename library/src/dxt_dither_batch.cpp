// Eight blocks per vector, one 16-bit lane each. The snap to 5 or 6 bits is computed rather
// than looked up (vectors cannot index a table): the nearest level MulDiv255(v, 31) widened by
// bit replication, which is how the table is built; clamping v to 0..255 first stands for the
// table's clamped ends. Every value fits 16 bits: an error is at most 255 in size, so the
// weighted sums stay within +-4080. Without SSE2 the blocks go one by one.
#include "dxt_dither_batch.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ormel::dxt {

#if defined(__SSE2__)
namespace {

using Lanes = __m128i;  // eight signed 16-bit values, one per block

// The plane of one channel, pixel p of block k going to lane k of planes[p].
void LoadPlanes(const std::uint8_t* const (&rows)[kDitherBatch], Lanes (&planes)[16]) {
  Lanes r[kDitherBatch];
  for (int k = 0; k < kDitherBatch; ++k)
    r[k] = _mm_loadu_si128(reinterpret_cast<const Lanes*>(rows[k]));
  // Bytes of blocks 0-1, 2-3, 4-5, 6-7 interleaved; then 16-bit pairs; then 32-bit quads:
  // each of the last vectors holds two pixels, eight blocks each.
  Lanes pairs[8], quads[8];
  for (int i = 0; i < 4; ++i) {
    pairs[2 * i] = _mm_unpacklo_epi8(r[2 * i], r[2 * i + 1]);      // pixels 0..7
    pairs[2 * i + 1] = _mm_unpackhi_epi8(r[2 * i], r[2 * i + 1]);  // pixels 8..15
  }
  for (int half = 0; half < 2; ++half)
    for (int i = 0; i < 2; ++i) {
      const Lanes a = pairs[4 * i + half], b = pairs[4 * i + 2 + half];
      quads[4 * i + 2 * half] = _mm_unpacklo_epi16(a, b);      // pixels 8h+0..3, 4 blocks
      quads[4 * i + 2 * half + 1] = _mm_unpackhi_epi16(a, b);  // pixels 8h+4..7
    }
  const Lanes zero = _mm_setzero_si128();
  for (int j = 0; j < 4; ++j) {  // quads j (blocks 0-3) and 4 + j (blocks 4-7): pixels 4j..4j+3
    const Lanes lo = _mm_unpacklo_epi32(quads[j], quads[4 + j]);  // pixels 4j, 4j+1
    const Lanes hi = _mm_unpackhi_epi32(quads[j], quads[4 + j]);  // pixels 4j+2, 4j+3
    planes[4 * j] = _mm_unpacklo_epi8(lo, zero);
    planes[4 * j + 1] = _mm_unpackhi_epi8(lo, zero);
    planes[4 * j + 2] = _mm_unpacklo_epi8(hi, zero);
    planes[4 * j + 3] = _mm_unpackhi_epi8(hi, zero);
  }
}

// The nearest 5-bit (Bits = 5) or 6-bit level of v in 0..255, widened to 8 bits.
template <int Bits>
Lanes Snap(Lanes v) {
  const Lanes t = _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(v, Bits), v), _mm_set1_epi16(128));
  const Lanes level = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
  return _mm_or_si128(_mm_slli_epi16(level, 8 - Bits), _mm_srli_epi16(level, 2 * Bits - 8));
}

// e / 16, truncated toward zero.
Lanes Div16(Lanes e) {
  const Lanes roundUp = _mm_and_si128(_mm_srai_epi16(e, 15), _mm_set1_epi16(15));  // e < 0
  return _mm_srai_epi16(_mm_add_epi16(e, roundUp), 4);
}

Lanes Times(Lanes v, int k) { return _mm_mullo_epi16(v, _mm_set1_epi16(static_cast<short>(k))); }

// Floyd-Steinberg inside each block, row by row, exactly as the one-block version. The terms
// from the row above are ready before the row starts; only the left neighbour's error is on
// the chain from pixel to pixel.
template <int Bits>
void DitherPlanes(Lanes (&planes)[16]) {
  const Lanes lowest = _mm_setzero_si128(), highest = _mm_set1_epi16(255);
  const auto quantize = [&](Lanes u, Lanes e) {
    const Lanes v = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(u, Div16(e)), lowest), highest);
    return Snap<Bits>(v);
  };
  const auto times7 = [](Lanes c) { return _mm_sub_epi16(_mm_slli_epi16(c, 3), c); };
  Lanes p[4] = {lowest, lowest, lowest, lowest};
  for (int row = 0; row < 4; ++row) {
    Lanes* u = planes + 4 * row;
    const Lanes above0 = _mm_add_epi16(Times(p[1], 3), Times(p[0], 5));
    const Lanes above1 = _mm_add_epi16(_mm_add_epi16(Times(p[2], 3), Times(p[1], 5)), p[0]);
    const Lanes above2 = _mm_add_epi16(_mm_add_epi16(Times(p[3], 3), Times(p[2], 5)), p[1]);
    const Lanes above3 = _mm_add_epi16(Times(p[3], 5), p[2]);
    const Lanes q0 = quantize(u[0], above0);
    p[0] = _mm_sub_epi16(u[0], q0);
    const Lanes q1 = quantize(u[1], _mm_add_epi16(times7(p[0]), above1));
    p[1] = _mm_sub_epi16(u[1], q1);
    const Lanes q2 = quantize(u[2], _mm_add_epi16(times7(p[1]), above2));
    p[2] = _mm_sub_epi16(u[2], q2);
    const Lanes q3 = quantize(u[3], _mm_add_epi16(times7(p[2]), above3));
    p[3] = _mm_sub_epi16(u[3], q3);
    u[0] = q0;
    u[1] = q1;
    u[2] = q2;
    u[3] = q3;
  }
}

void StorePlanes(const Lanes (&planes)[16], std::uint8_t* const (&rows)[kDitherBatch]) {
  alignas(16) std::uint16_t lanes[16][kDitherBatch];
  for (int p = 0; p < 16; ++p) _mm_store_si128(reinterpret_cast<Lanes*>(lanes[p]), planes[p]);
  for (int k = 0; k < kDitherBatch; ++k)
    for (int p = 0; p < 16; ++p) rows[k][p] = static_cast<std::uint8_t>(lanes[p][k]);
}

template <int Bits, std::uint8_t(PixelBlock::*Channel)[16]>
void DitherChannel(const PixelBlock (&blocks)[kDitherBatch],
                   PixelBlock (&dithered)[kDitherBatch]) {
  const std::uint8_t* in[kDitherBatch];
  std::uint8_t* out[kDitherBatch];
  for (int k = 0; k < kDitherBatch; ++k) {
    in[k] = blocks[k].*Channel;
    out[k] = dithered[k].*Channel;
  }
  Lanes planes[16];
  LoadPlanes(in, planes);
  DitherPlanes<Bits>(planes);
  StorePlanes(planes, out);
}

}  // namespace

void DitherForFitBatch(const EncoderTables&, const PixelBlock (&blocks)[kDitherBatch],
                       PixelBlock (&dithered)[kDitherBatch]) {
  DitherChannel<5, &PixelBlock::b>(blocks, dithered);
  DitherChannel<6, &PixelBlock::g>(blocks, dithered);
  DitherChannel<5, &PixelBlock::r>(blocks, dithered);
}

#else

void DitherForFitBatch(const EncoderTables& tables, const PixelBlock (&blocks)[kDitherBatch],
                       PixelBlock (&dithered)[kDitherBatch]) {
  for (int k = 0; k < kDitherBatch; ++k) DitherForFit(tables, blocks[k], dithered[k]);
}

#endif

}  // namespace ormel::dxt
