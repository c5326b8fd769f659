// Writes the sample texture the program opens when started without a file: a 256 x 256
// emblem drawn here in code (a gold ring and star on a teal disc, soft-edged, transparent
// outside), saved by our own encoder as a BLP2 with DXT5 content and a full mipmap chain.
// Usage: make_sample_texture <output.blp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "ormel_blp.h"

namespace {

constexpr int kSide = 256;
constexpr double kPi = 3.14159265358979323846;

double Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double Mix(double a, double b, double t) { return a + (b - a) * t; }

// Blue, green, red, alpha of one pixel; coordinates centred, radius 1 at the disc's edge.
void Emblem(double x, double y, std::uint8_t* p) {
  const double r = std::hypot(x, y);
  const double angle = std::atan2(y, x);
  // Teal disc, lighter towards the upper left, with faint concentric grooves.
  double red = Mix(40, 10, r), green = Mix(150, 70, r), blue = Mix(160, 90, r);
  const double light = 0.25 * (1 - (x + y) * 0.7);
  red += 60 * light, green += 60 * light, blue += 60 * light;
  const double groove = 0.5 + 0.5 * std::cos(r * 60);
  red *= 0.92 + 0.08 * groove, green *= 0.92 + 0.08 * groove, blue *= 0.92 + 0.08 * groove;
  // A six-pointed star: its edge is a wave in the angle.
  const double starEdge = 0.38 + 0.2 * std::pow(std::abs(std::cos(3 * angle)), 3);
  const double star = 1 - Smooth(starEdge - 0.02, starEdge + 0.02, r);
  // A gold ring near the rim.
  const double ring = Smooth(0.74, 0.77, r) * (1 - Smooth(0.86, 0.89, r));
  const double gold = std::max(star, ring);
  const double shine = 0.85 - 0.18 * (x + y);  // lit from the upper left
  red = Mix(red, 240 * shine, gold), green = Mix(green, 190 * shine, gold),
  blue = Mix(blue, 60 * shine, gold);
  // Soft edge: opaque inside, transparent outside the rim.
  const double alpha = 255 * (1 - Smooth(0.93, 1.0, r));
  p[0] = std::uint8_t(std::clamp(blue, 0.0, 255.0));
  p[1] = std::uint8_t(std::clamp(green, 0.0, 255.0));
  p[2] = std::uint8_t(std::clamp(red, 0.0, 255.0));
  p[3] = std::uint8_t(std::clamp(alpha, 0.0, 255.0));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.blp>\n", argv[0]);
    return 2;
  }
  std::vector<std::uint8_t> pixels(std::size_t{kSide} * kSide * 4);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      Emblem((x + 0.5) / (kSide / 2.0) - 1, (y + 0.5) / (kSide / 2.0) - 1,
             &pixels[(std::size_t(y) * kSide + x) * 4]);

  TBLPHeader header{};
  std::memcpy(header.Signature, "BLP2", 4);
  header.Compression = 1;
  header.Width = kSide;
  header.Height = kSide;
  header.Encoding = 2;  // DXT
  header.AlphaDepth = 8;
  header.AlphaEncoding = 7;  // DXT5
  header.HasMipmaps = 1;
  header.MipmapsMinus1 = 8;  // 256 down to 1: nine levels
  header.FlagB = 1;          // error diffusion
  std::uint8_t* file = nullptr;
  std::uint32_t size = 0;
  BLP_SaveToMemory(pixels.data(), &header, &file, &size);
  if (file == nullptr) {
    std::fprintf(stderr, "the encoder wrote nothing\n");
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file), std::streamsize(size));
  BLP_FreeMem(&file);
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
