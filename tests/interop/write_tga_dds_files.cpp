// Writes TGA and DDS files with our encoders into a folder, each with NAME.bgra: the pixels a
// reader must show (top row first, blue, green, red, alpha). For lossless files that is the
// source; for paletted TGA and DXT it is our own decode of the file. MANIFEST.txt lists
// name, width, height, the largest alpha difference allowed (colour must be exact) and the
// readers to ask.
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "dds.hpp"
#include "synthetic.hpp"
#include "tga.hpp"

namespace {

using Pixels = std::vector<std::uint8_t>;

constexpr std::uint32_t kWidth = 37, kHeight = 23;

struct Output {
  std::string folder;
  std::ofstream manifest;

  void Write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
    std::ofstream(folder + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  void Add(const std::string& name, const Pixels& file, const Pixels& bgra, std::uint32_t w,
           std::uint32_t h, int alphaTolerance = 0, const char* readers = "Pillow,ImageMagick") {
    Write(name, file.data(), file.size());
    Write(name + ".bgra", bgra.data(), bgra.size());
    manifest << name << ' ' << w << ' ' << h << ' ' << alphaTolerance << ' ' << readers << '\n';
  }
};

// A photo-like picture with a flat band, so run-length packets of both kinds occur.
Pixels Source() {
  auto px = ondrel_test::PhotoLike(kWidth, kHeight, 4, true);
  for (std::uint32_t i = 0; i < kWidth * 3; ++i) {
    px[i * 4] = 30;
    px[i * 4 + 1] = 60;
    px[i * 4 + 2] = 90;
    px[i * 4 + 3] = 200;
  }
  return px;
}

Pixels WithBytes(const Pixels& bgra, int b) {
  Pixels out;
  for (std::size_t i = 0; i < bgra.size() / 4; ++i) out.insert(out.end(), &bgra[i * 4], &bgra[i * 4 + b]);
  return out;
}

Pixels Opaque(Pixels bgra) {
  for (std::size_t i = 3; i < bgra.size(); i += 4) bgra[i] = 255;
  return bgra;
}

Pixels FlipRows(const Pixels& px, std::size_t rowBytes) {
  Pixels out(px.size());
  const std::size_t rows = px.size() / rowBytes;
  for (std::size_t r = 0; r < rows; ++r)
    std::copy_n(px.begin() + r * rowBytes, rowBytes, out.begin() + (rows - 1 - r) * rowBytes);
  return out;
}

// A TGA save as the program makes it: rows in file order, header byte 0 carrying the options.
Pixels SaveTga(const Pixels& source, int type, int depth, bool topLeft, std::uint8_t options,
               int colours) {
  std::array<std::uint8_t, 18> header{};
  const bool paletted = type == 1 || type == 9;
  const int b = paletted ? 4 : depth / 8;
  header[0] = options;
  header[1] = paletted ? 1 : 0;
  header[2] = static_cast<std::uint8_t>(type);
  if (paletted) {
    ormel::StoreU16LE(&header[5], static_cast<std::uint16_t>(colours));
    header[7] = 24;
  }
  ormel::StoreU16LE(&header[12], kWidth);
  ormel::StoreU16LE(&header[14], kHeight);
  header[16] = static_cast<std::uint8_t>(paletted ? 8 : depth);
  header[17] = static_cast<std::uint8_t>((b == 4 ? 8 : 0) | (topLeft ? 0x20 : 0));
  const Pixels packed = WithBytes(source, b);
  const Pixels rows = topLeft ? packed : FlipRows(packed, std::size_t{kWidth} * b);
  const auto block = ormel::tga::Encode(rows, header);
  header[0] = 0;
  Pixels file(header.size() + block.size());
  std::copy(header.begin(), header.end(), file.begin());
  std::copy(block.data(), block.data() + block.size(), file.begin() + header.size());
  return file;
}

// Our own reading of a TGA file, upright, as BGRA.
Pixels ReadTga(const Pixels& file) {
  const int b = ormel::tga::BytesPerPixel(file.data());
  Pixels rows(ormel::tga::OutputBytes(file.data()));
  ormel::tga::Decode(file, rows);
  if ((file[17] & 0x20) == 0) rows = FlipRows(rows, std::size_t{kWidth} * b);
  Pixels bgra;
  for (std::size_t i = 0; i < rows.size() / b; ++i) {
    bgra.insert(bgra.end(), &rows[i * b], &rows[i * b + 3]);
    bgra.push_back(b == 4 ? rows[i * b + 3] : 255);
  }
  return bgra;
}

enum class DdsKind { Rgb24, Rgb32, Dxt1, Dxt5 };

Pixels SaveDds(const Pixels& source, std::uint32_t w, std::uint32_t h, DdsKind kind,
               std::uint32_t reduced) {
  std::array<std::uint8_t, 128> head{};
  const bool dxt = kind == DdsKind::Dxt1 || kind == DdsKind::Dxt5;
  const bool four = kind == DdsKind::Rgb32 || kind == DdsKind::Dxt5;
  ormel::StoreU32LE(&head[0], 0x20534444);
  ormel::StoreU32LE(&head[12], h);
  ormel::StoreU32LE(&head[16], w);
  ormel::StoreU32LE(&head[28], reduced);
  ormel::StoreU32LE(&head[80], dxt ? 4 : four ? 0x41 : 0x40);
  ormel::StoreU32LE(&head[84], !dxt ? 0 : four ? 0x35545844 : 0x31545844);
  ormel::StoreU32LE(&head[88], dxt ? 0 : four ? 32 : 24);
  const auto block = ormel::dds::Encode(WithBytes(source, four ? 4 : 3), head);
  return Pixels(block.data(), block.data() + block.size());
}

Pixels ReadDds(const Pixels& file, std::uint32_t w, std::uint32_t h) {
  Pixels px(std::size_t{w} * h * 4);
  std::uint16_t rw = 0, rh = 0;
  ormel::dds::Decode(file, px, rw, rh);
  return px;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  Output out{argv[1], std::ofstream(std::string(argv[1]) + "/MANIFEST.txt")};
  if (!out.manifest) {
    std::fprintf(stderr, "cannot write into %s\n", argv[1]);
    return 1;
  }
  const Pixels source = Source();
  const Pixels opaque = Opaque(source);

  struct TgaFile {
    const char* name;
    int type, depth;
    bool topLeft;
    std::uint8_t options;
  };
  const TgaFile tgas[] = {
      {"ours_type2_24_bottomup.tga", 2, 24, false, 0},
      {"ours_type2_32_topdown.tga", 2, 32, true, 0},
      {"ours_type10_24_rows.tga", 10, 24, false, 0},
      {"ours_type10_32_across_topdown.tga", 10, 32, true, 2},
      {"ours_type1_paletted.tga", 1, 8, false, 4},
      {"ours_type9_paletted_across_dithered.tga", 9, 8, true, 4 | 2 | 1},
      {"ours_type9_paletted_rows_full_map.tga", 9, 8, false, 0},
  };
  for (const auto& t : tgas) {
    const bool paletted = t.type == 1 || t.type == 9;
    const Pixels file = SaveTga(source, t.type, t.depth, t.topLeft, t.options, 64);
    const Pixels expected = paletted ? ReadTga(file) : t.depth == 24 ? opaque : source;
    // Pillow refuses packets that cross a row end (the format's guide advises against them;
    // the option exists for readers that take them, as ImageMagick does).
    const bool acrossRows = (t.type == 9 || t.type == 10) && (t.options & 2);
    out.Add(t.name, file, expected, kWidth, kHeight, 0,
            acrossRows ? "ImageMagick" : "Pillow,ImageMagick");
  }

  struct DdsFile {
    const char* name;
    DdsKind kind;
    std::uint32_t w, h, reduced;
  };
  const DdsFile ddss[] = {
      {"ours_rgb24.dds", DdsKind::Rgb24, kWidth, kHeight, 0},
      {"ours_rgb32_mipmaps.dds", DdsKind::Rgb32, kWidth, kHeight, 15},
      {"ours_dxt1_mipmaps.dds", DdsKind::Dxt1, 32, 16, 15},
      {"ours_dxt5_mipmaps.dds", DdsKind::Dxt5, 32, 16, 15},
      {"ours_dxt5_odd.dds", DdsKind::Dxt5, kWidth, kHeight, 3},
      {"ours_dxt1_2x2.dds", DdsKind::Dxt1, 2, 2, 0},
  };
  for (const auto& d : ddss) {
    const bool dxt = d.kind == DdsKind::Dxt1 || d.kind == DdsKind::Dxt5;
    const Pixels picture = d.w == kWidth && d.h == kHeight
                               ? source
                               : ondrel_test::PhotoLike(d.w, d.h, 4, true);
    const Pixels file = SaveDds(picture, d.w, d.h, d.kind, d.reduced);
    const Pixels expected =
        dxt ? ReadDds(file, d.w, d.h) : d.kind == DdsKind::Rgb24 ? Opaque(picture) : picture;
    // Both readers truncate interpolated DXT5 alpha values where we round them.
    out.Add(d.name, file, expected, d.w, d.h, d.kind == DdsKind::Dxt5 ? 1 : 0);
  }
  return 0;
}
