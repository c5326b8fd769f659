// Deterministic synthetic images for tests and benchmarks: a photo-like picture (smooth
// gradients, soft shapes, hard edges, mild noise) and pure noise. Packed rows, top first.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace ondrel_test {

// A small linear congruential generator, so every platform makes the same pictures.
struct Lcg {
  std::uint32_t state;
  explicit Lcg(std::uint32_t seed) : state(seed) {}
  std::uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

inline std::uint8_t ClampByte(double v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// channels 3: blue, green, red; 4: blue, green, red, alpha (alpha a soft disc when withAlpha,
// else 255).
inline std::vector<std::uint8_t> PhotoLike(std::uint32_t w, std::uint32_t h, int channels,
                                           bool withAlpha = false, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> px(std::size_t{w} * h * channels);
  Lcg rng(seed);
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const double u = (x + 0.5) / w, v = (y + 0.5) / h;
      const double noise = static_cast<int>(rng.Next() % 17) - 8;
      double r = 200 * u + 40 * std::sin(v * 9.0) + noise;
      double g = 160 * v + 60 * std::cos(u * 7.0 + v * 3.0) + noise;
      double b = 120 + 100 * std::sin((u + v) * 5.0) + noise;
      const double dx = u - 0.6, dy = v - 0.4;
      if (dx * dx + dy * dy < 0.04) {  // a bright disc with a hard edge
        r = 250 - 30 * v;
        g = 230;
        b = 40 + noise;
      }
      if (x * 8 / (w ? w : 1) == 1) {  // a dark stripe
        r *= 0.2;
        g *= 0.2;
        b *= 0.2;
      }
      std::uint8_t* p = &px[(std::size_t{y} * w + x) * channels];
      p[0] = ClampByte(b);
      p[1] = ClampByte(g);
      p[2] = ClampByte(r);
      if (channels == 4) {
        const double cx = u - 0.5, cy = v - 0.5;
        p[3] = withAlpha ? ClampByte(255 * (1.4 - 4 * std::sqrt(cx * cx + cy * cy))) : 255;
      }
    }
  }
  return px;
}

inline std::vector<std::uint8_t> Noise(std::uint32_t w, std::uint32_t h, int channels,
                                       std::uint32_t seed = 7) {
  std::vector<std::uint8_t> px(std::size_t{w} * h * channels);
  Lcg rng(seed);
  for (auto& b : px) b = static_cast<std::uint8_t>(rng.Next());
  return px;
}

// Root mean square error over all bytes of two equal-sized buffers.
inline double Rmse(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const double d = double(a[i]) - double(b[i]);
    sum += d * d;
  }
  return a.empty() ? 0 : std::sqrt(sum / a.size());
}

}  // namespace ondrel_test
