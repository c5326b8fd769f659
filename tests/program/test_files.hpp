// Helpers of the image-layer tests: temporary folders, whole files, synthetic bitmaps and
// BLP1 JPEG files built from four-channel JPEG streams made with libjpeg, as the codec
// library makes them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

#include "bitmap.hpp"

namespace ondrel_test {

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
QString Fixture(const QString& relative);

// A w x h bitmap of PhotoLike pixels (32-bit with a soft alpha disc, or 24-bit).
ondrel::TBitmap PhotoBitmap(int w, int h, bool alpha, std::uint32_t seed = 1);

// True when two bitmaps have the same size, format and pixels.
bool SamePixels(const ondrel::TBitmap& a, const ondrel::TBitmap& b);

// A four-channel JPEG stream of a w x h picture (blue, green, red, alpha components).
std::vector<std::uint8_t> FourChannelJpeg(int w, int h, int quality, bool progressive, std::uint32_t seed);

enum class Merge { None, Baseline, Progressive };

struct Blp1JpegLayout {
  int width = 64, height = 32;
  int levels = 7;          // levels stored; entries up to the chain's end repeat the last
  bool progressive = false;
  bool merged = false;     // cut the shared header the way our encoder does
  std::uint32_t gap = 0;   // bytes between the JPEG header and level 0
  bool comSegment = false;   // a COM segment after SOI in every level
  bool app0Segment = false;  // a JFIF APP0 segment after SOI in every level
};

// A BLP1 file with JPEG content laid out as the encoder lays it out, or with the extras.
QByteArray MakeBlp1Jpeg(const Blp1JpegLayout& layout);

// The decoded pixels of level i of a BLP1 JPEG file image: its full stream through the core.
std::vector<std::uint8_t> DecodeBlp1JpegLevel(const QByteArray& file, int level);

}  // namespace ondrel_test
