// Small BLP1 and BLP2 files laid out in memory for tests and fuzz seeds: headers, palettes,
// index and alpha planes, DXT blocks and four-component JPEG levels, merged or not.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "bytes.hpp"
#include "jpeg_codec.hpp"

namespace ondrel_test {

using ByteVector = std::vector<std::uint8_t>;

inline void PutU32(ByteVector& v, std::size_t at, std::uint32_t value) {
  if (v.size() < at + 4) v.resize(at + 4);
  ormel::StoreU32LE(v.data() + at, value);
}

inline void Append(ByteVector& v, const ByteVector& tail) {
  v.insert(v.end(), tail.begin(), tail.end());
}

// Lays the levels out one after the other from the end of `file` and fills the offset and
// size tables at tablesAt (offsets) and tablesAt + 64 (sizes).
inline void AppendLevels(ByteVector& file, std::size_t tablesAt,
                         const std::vector<ByteVector>& levels) {
  for (std::size_t k = 0; k < levels.size() && k < 16; ++k) {
    PutU32(file, tablesAt + 4 * k, static_cast<std::uint32_t>(file.size()));
    PutU32(file, tablesAt + 64 + 4 * k, static_cast<std::uint32_t>(levels[k].size()));
    Append(file, levels[k]);
  }
}

struct Blp1File {
  std::uint32_t compression = 1;  // 0 JPEG, 1 paletted
  std::uint32_t alphaBits = 0;
  std::uint32_t width = 0, height = 0;
  std::uint32_t pictureType = 5;
  std::uint32_t hasMipmaps = 1;
  ByteVector content{};  // palette (paletted) or JPEG header size + shared header (JPEG)
  std::vector<ByteVector> levels{};
};

inline ByteVector Make(const Blp1File& f) {
  ByteVector file(156, 0);
  std::memcpy(file.data(), "BLP1", 4);
  PutU32(file, 4, f.compression);
  PutU32(file, 8, f.alphaBits);
  PutU32(file, 12, f.width);
  PutU32(file, 16, f.height);
  PutU32(file, 20, f.pictureType);
  PutU32(file, 24, f.hasMipmaps);
  Append(file, f.content);
  AppendLevels(file, 28, f.levels);
  return file;
}

struct Blp2File {
  std::uint32_t type = 1;
  std::uint8_t encoding = 1, alphaDepth = 0, alphaEncoding = 0, hasMipmaps = 1;
  std::uint32_t width = 0, height = 0;
  ByteVector palette{};  // paletted content only
  std::vector<ByteVector> levels{};
};

inline ByteVector Make(const Blp2File& f) {
  ByteVector file(148, 0);
  std::memcpy(file.data(), "BLP2", 4);
  PutU32(file, 4, f.type);
  file[8] = f.encoding;
  file[9] = f.alphaDepth;
  file[10] = f.alphaEncoding;
  file[11] = f.hasMipmaps;
  PutU32(file, 12, f.width);
  PutU32(file, 16, f.height);
  Append(file, f.palette);
  AppendLevels(file, 20, f.levels);
  return file;
}

// 256 distinct entries; the fourth byte is 0x5A, a value no decoder may take as alpha.
inline ByteVector TestPalette() {
  ByteVector p(1024);
  for (int i = 0; i < 256; ++i) {
    p[4 * i + 0] = static_cast<std::uint8_t>(i);
    p[4 * i + 1] = static_cast<std::uint8_t>(255 - i);
    p[4 * i + 2] = static_cast<std::uint8_t>(i * 37 + 11);
    p[4 * i + 3] = 0x5A;
  }
  return p;
}

inline ByteVector Sequence(std::size_t n, std::uint32_t seed) {
  ByteVector v(n);
  std::uint32_t s = seed;
  for (auto& b : v) {
    s = s * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(s >> 24);
  }
  return v;
}

// Packs alpha values of 1 or 4 bits, lowest bits of each byte first (values already reduced).
inline ByteVector PackAlpha(const ByteVector& values, int bits) {
  ByteVector packed((values.size() * bits + 7) / 8, 0);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::size_t bit = i * bits;
    packed[bit / 8] = static_cast<std::uint8_t>(packed[bit / 8] | (values[i] << (bit % 8)));
  }
  return packed;
}

// The pixels a paletted level decodes to: palette colour, then the given alpha byte.
inline ByteVector PalettedPixels(const ByteVector& palette, const ByteVector& indices,
                                 const ByteVector& alpha) {
  ByteVector px(indices.size() * 4);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    std::memcpy(&px[4 * i], &palette[4 * indices[i]], 3);
    px[4 * i + 3] = alpha.empty() ? 0 : alpha[i];
  }
  return px;
}

// A DXT1 block of one colour given as 5:6:5 (both endpoints equal, every index 0).
inline ByteVector SolidDxt1Block(std::uint16_t color565) {
  return {static_cast<std::uint8_t>(color565), static_cast<std::uint8_t>(color565 >> 8),
          static_cast<std::uint8_t>(color565), static_cast<std::uint8_t>(color565 >> 8),
          0, 0, 0, 0};
}

// One four-component JPEG stream as the BLP1 encoder writes it.
inline ByteVector JpegStream(const ByteVector& bgra, std::uint32_t w, std::uint32_t h,
                             bool progressive, int quality = 90) {
  const auto block = ormel::jpeg::Encode(bgra, w, h, quality, progressive,
                                         ormel::jpeg::Mode::FourChannel);
  return ByteVector(block.data(), block.data() + block.size());
}

// Splits complete streams into one shared header and per-level data at the fixed offsets of
// the encoder's layout: baseline shares SOI, DQT, DHT and the first 5 bytes of SOF0 (bytes
// 0..70, 93..308, 71..75); progressive shares bytes 0..75.
struct MergedJpeg {
  ByteVector shared;
  std::vector<ByteVector> levels{};
};

inline MergedJpeg Merge(const std::vector<ByteVector>& streams, bool progressive) {
  MergedJpeg m;
  const ByteVector& first = streams.front();
  if (progressive) {
    m.shared.assign(first.begin(), first.begin() + 76);
  } else {
    m.shared.assign(first.begin(), first.begin() + 71);
    m.shared.insert(m.shared.end(), first.begin() + 93, first.begin() + 309);
    m.shared.insert(m.shared.end(), first.begin() + 71, first.begin() + 76);
  }
  for (const auto& s : streams) {
    if (progressive) {
      m.levels.emplace_back(s.begin() + 76, s.end());
    } else {
      ByteVector data(s.begin() + 76, s.begin() + 93);
      data.insert(data.end(), s.begin() + 309, s.end());
      m.levels.push_back(std::move(data));
    }
  }
  return m;
}

// The JPEG content block of a BLP1 file: the shared header's length, then the header.
inline ByteVector JpegContent(const ByteVector& shared) {
  ByteVector c(4);
  ormel::StoreU32LE(c.data(), static_cast<std::uint32_t>(shared.size()));
  Append(c, shared);
  return c;
}

}  // namespace ondrel_test
