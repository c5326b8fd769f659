// Writes BLP files of every kind we produce, with our own decode of their level 0, for the
// Pillow interoperability script; and decodes level 0 of a file another writer made.
//   blp_interop_tool write <folder>          -> <folder>/<case>.blp, <case>.<level>.bgra for
//                                               every level, cases.txt ("case level w h")
//   blp_interop_tool decode <file> <out>     -> <out> (w x h x 4 bytes), prints "w h"
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "blp.hpp"
#include "synthetic.hpp"

namespace {

using Pixels = std::vector<std::uint8_t>;

struct Case {
  const char* name;
  const char* signature;
  std::uint32_t compression;
  std::uint8_t encoding;
  std::uint32_t width, height;
  bool alpha;
  std::uint32_t colorsOrQuality;
  bool flagA, flagB;
};

// Opaque images unless the name says alpha; sizes that are multiples of 4 where Pillow's DXT
// reader needs them, an awkward one where it does not.
const Case kCases[] = {
    {"blp1_jpeg", "BLP1", 0, 0, 64, 48, false, 90, false, false},
    {"blp1_jpeg_merged", "BLP1", 0, 0, 64, 48, false, 90, true, false},
    {"blp1_jpeg_progressive_merged", "BLP1", 0, 0, 64, 48, false, 90, true, true},
    {"blp1_paletted", "BLP1", 1, 0, 37, 23, false, 256, false, false},
    {"blp1_paletted_dithered", "BLP1", 1, 0, 64, 48, false, 32, false, true},
    {"blp1_paletted_compressed", "BLP1", 1, 0, 64, 48, false, 16, true, false},
    {"blp1_paletted_alpha", "BLP1", 1, 0, 64, 48, true, 256, false, false},
    {"blp2_paletted", "BLP2", 1, 1, 37, 23, false, 256, false, false},
    {"blp2_paletted_compressed", "BLP2", 1, 1, 64, 48, false, 16, true, true},
    {"blp2_paletted_alpha", "BLP2", 1, 1, 64, 48, true, 64, false, false},
    {"blp2_dxt1", "BLP2", 1, 2, 64, 48, false, 0, false, false},
    {"blp2_dxt1_dithered", "BLP2", 1, 2, 64, 48, false, 0, false, true},
    {"blp2_dxt5", "BLP2", 1, 2, 64, 48, true, 0, false, false},
};

bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return bool(out);
}

Pixels DecodeLevel(ormel::ConstBytes file, unsigned level, std::uint16_t& w, std::uint16_t& h) {
  TBLPHeader header{};
  if (!ormel::blp::GetHeader(file, header)) throw std::runtime_error("not a BLP file");
  Pixels pixels(std::size_t{header.Width} * header.Height * 4, 0);
  ormel::blp::Decode(file, level, pixels, w, h);
  pixels.resize(std::size_t{w} * h * 4);
  return pixels;
}

int WriteCases(const std::string& folder) {
  std::ofstream list(folder + "/cases.txt");
  for (const Case& c : kCases) {
    TBLPHeader r{};
    std::memcpy(r.Signature, c.signature, 4);
    r.Compression = c.compression;
    r.Width = c.width;
    r.Height = c.height;
    if (std::strcmp(c.signature, "BLP1") == 0) {
      r.AlphaBits = c.alpha ? 8 : 0;
      r.PictureType = c.alpha ? 4 : 5;
    } else {
      r.Encoding = c.encoding;
      r.AlphaDepth = c.alpha ? 8 : 0;
      r.AlphaEncoding = !c.alpha ? 0 : c.encoding == 2 ? 7 : 8;
    }
    r.HasMipmaps = 1;
    r.MipmapsMinus1 = 15;
    r.ColorsOrQuality = c.colorsOrQuality;
    r.FlagA = c.flagA;
    r.FlagB = c.flagB;
    const Pixels source = ondrel_test::PhotoLike(c.width, c.height, 4, c.alpha, 11);
    const ormel::Block file = ormel::blp::Encode(source, r);
    const std::string base = folder + "/" + c.name;
    if (!WriteFile(base + ".blp", file.data(), file.size())) return 1;
    // Levels 0..M; entries up to L repeat level M, those above L are the record's own.
    const unsigned longest = std::bit_width(std::max(c.width, c.height)) - 1;
    for (unsigned level = 0; level <= longest; ++level) {
      if (level > 0 && r.MipmapOffsets[level] == r.MipmapOffsets[level - 1]) break;
      std::uint16_t w = 0, h = 0;
      const Pixels decoded = DecodeLevel(file.bytes(), level, w, h);
      if (!WriteFile(base + "." + std::to_string(level) + ".bgra", decoded.data(), decoded.size()))
        return 1;
      list << c.name << ' ' << level << ' ' << w << ' ' << h << '\n';
    }
  }
  return list ? 0 : 1;
}

int DecodeOne(const std::string& path, const std::string& outPath) {
  std::ifstream in(path, std::ios::binary);
  const Pixels file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::uint16_t w = 0, h = 0;
  const Pixels decoded = DecodeLevel(file, 0, w, h);
  if (!WriteFile(outPath, decoded.data(), decoded.size())) return 1;
  std::cout << w << ' ' << h << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::strcmp(argv[1], "write") == 0) return WriteCases(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return DecodeOne(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::cerr << "blp_interop_tool: " << e.what() << '\n';
    return 1;
  }
  std::cerr << "usage: blp_interop_tool write <folder> | decode <file.blp> <out.bgra>\n";
  return 2;
}
