// One small BLP file for every decoding path, each with two levels: the fixtures of the
// truncation sweep and the seeds of the BLP fuzz target.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "blp_files.hpp"
#include "synthetic.hpp"

namespace ondrel_test {

struct Sample {
  std::string name;
  ByteVector file;
};

inline ByteVector PalettedLevel(std::uint32_t w, std::uint32_t h, int alphaBits,
                                std::uint32_t seed) {
  const std::size_t n = std::size_t{w} * h;
  ByteVector level = Sequence(n, seed);
  if (alphaBits == 8) Append(level, Sequence(n, seed + 1));
  if (alphaBits == 1 || alphaBits == 4) {
    ByteVector values = Sequence(n, seed + 2);
    for (auto& v : values) v = static_cast<std::uint8_t>(v >> (8 - alphaBits));
    Append(level, PackAlpha(values, alphaBits));
  }
  return level;
}

inline std::vector<Sample> BlpSamples() {
  std::vector<Sample> s;
  const ByteVector palette = TestPalette();
  // BLP1 paletted: no alpha, 8-bit, 1-bit and 4-bit planes.
  const std::pair<std::uint32_t, int> blp1Alpha[] = {{5, 0}, {4, 8}, {4, 1}, {4, 4}};
  for (auto [pictureType, bits] : blp1Alpha) {
    s.push_back({"blp1_paletted_alpha" + std::to_string(bits),
                 Make(Blp1File{.compression = 1, .alphaBits = static_cast<std::uint32_t>(bits),
                               .width = 6, .height = 4, .pictureType = pictureType,
                               .content = palette,
                               .levels = {PalettedLevel(6, 4, bits, 1), PalettedLevel(3, 2, bits, 2)}})});
  }
  // BLP1 JPEG: unmerged, merged baseline, merged progressive.
  for (int arrangement = 0; arrangement < 3; ++arrangement) {
    const bool progressive = arrangement == 2;
    std::vector<ByteVector> streams = {JpegStream(PhotoLike(8, 8, 4, true, 1), 8, 8, progressive),
                                       JpegStream(PhotoLike(4, 4, 4, true, 2), 4, 4, progressive)};
    Blp1File f{.compression = 0, .width = 8, .height = 8, .content = JpegContent({}),
               .levels = streams};
    if (arrangement != 0) {
      const MergedJpeg m = Merge(streams, progressive);
      f.content = JpegContent(m.shared);
      f.levels = m.levels;
    }
    const char* names[] = {"blp1_jpeg_unmerged", "blp1_jpeg_merged", "blp1_jpeg_progressive"};
    s.push_back({names[arrangement], Make(f)});
  }
  // BLP2 paletted: alpha depth 0, 8, 1, 4.
  for (int depth : {0, 8, 1, 4}) {
    s.push_back({"blp2_paletted_alpha" + std::to_string(depth),
                 Make(Blp2File{.encoding = 1, .alphaDepth = static_cast<std::uint8_t>(depth),
                               .alphaEncoding = 8, .width = 6, .height = 4, .palette = palette,
                               .levels = {PalettedLevel(6, 4, depth, 3), PalettedLevel(3, 2, depth, 4)}})});
  }
  // BLP2 DXT1, DXT3, DXT5 (8 x 8 then 4 x 4), and 4-byte pixels.
  const std::pair<std::uint8_t, std::uint8_t> dxt[] = {{0, 0}, {8, 1}, {8, 7}};
  for (auto [depth, encoding] : dxt) {
    const std::size_t block = depth == 0 ? 8 : 16;
    s.push_back({"blp2_dxt_alpha" + std::to_string(depth) + "_" + std::to_string(encoding),
                 Make(Blp2File{.encoding = 2, .alphaDepth = depth, .alphaEncoding = encoding,
                               .width = 8, .height = 8,
                               .levels = {Sequence(4 * block, 5), Sequence(block, 6)}})});
  }
  s.push_back({"blp2_bgra", Make(Blp2File{.encoding = 3, .alphaDepth = 8, .width = 4, .height = 2,
                                          .levels = {Sequence(32, 7), Sequence(8, 8)}})});
  return s;
}

}  // namespace ondrel_test
