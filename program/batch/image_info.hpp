// The facts of one image file as the information panel shows them, in a form that holds no
// image-layer type, so the text and JSON reports (and the panel later) read one record.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace ondrel::batch {

struct MipmapEntry {
  int index = 0;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  bool regular = true;  // stored right after its predecessor, within the expected chain
};

// The BLP header fields as stored, for people who need the raw values.
struct BlpHeaderFields {
  std::uint32_t compression = 0;  // BLP1: 0 JPEG, 1 paletted; BLP2: the type word
  std::uint32_t alphaBits = 0;    // BLP1
  std::uint32_t pictureType = 0;  // BLP1
  std::uint8_t encoding = 0, alphaDepth = 0, alphaEncoding = 0;  // BLP2
  std::uint32_t width = 0, height = 0;  // level 0
};

struct ImageInfo {
  QString format;       // "blp1", "blp2", "tga", "jpeg", "png", "dds", "bmp"
  int width = 0, height = 0;  // of the picture decoded (the level asked for)
  int bitsPerPixel = 0;       // 24 or 32
  std::uint64_t fileSize = 0;
  int level = 0;              // the mipmap decoded (BLP)

  QString signature;    // "BLP1", "BLP2", "TGA", "JPEG", "PNG", "DDS"; empty for BMP
  QString compression;  // "jpeg", "none", "dxt", "rle", "interlaced"; empty for BMP
  QString pictureType;  // "baseline", "progressive", "paletted", "paletted with alpha",
                        // "paletted without alpha", "true colour", "dxt1", "dxt3", "dxt5"
  std::optional<int> alphaBits;
  bool alphaUnusual = false;  // an alpha depth other writers use but the encoder never writes
  std::optional<std::uint32_t> headerSize;  // BLP: bytes between header and level 0
  std::optional<QString> origin;            // TGA: "top-left" or "bottom-left"
  bool hasQuality = false;                  // BLP1 JPEG and JPEG files
  std::optional<int> quality;               // the estimate; none when not recognised
  std::optional<int> colors;                // BLP1 paletted: entries used; TGA paletted: map length
  std::optional<int> mipmapCount;           // BLP: levels listed; DDS: the header's count field
  std::optional<int> irregularMipmaps;      // BLP
  std::vector<MipmapEntry> mipmaps;         // BLP
  std::optional<BlpHeaderFields> blp;
};

}  // namespace ondrel::batch
