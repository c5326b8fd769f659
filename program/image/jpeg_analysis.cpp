#include "jpeg_analysis.hpp"

#include "file_read.hpp"

#include <algorithm>

namespace ondrel {

JpegQualityTable LoadJpegQualityTable(const QString& path) {
  JpegQualityTable table;
  QByteArray bytes;
  try {
    bytes = ReadFileHead(path, 100 * 64);
  } catch (const FileError&) {
    return table;
  }
  if (bytes.size() != 100 * 64) return table;  // a short table would be read past its end
  table.records.emplace();
  std::copy(bytes.begin(), bytes.end(), table.records->begin());
  return table;
}

const JpegQualityTable& ProgramJpegQualityTable() {
  static const JpegQualityTable table = LoadJpegQualityTable(FindDataFile(ProgramFolder(), "jpeg.dat"));
  return table;
}

std::uint8_t WalkToMarker(QIODevice& stream, std::uint8_t wanted, std::uint8_t orWanted) {
  char m[2];
  if (stream.read(m, 2) != 2) return 0;
  while (true) {
    const auto marker = static_cast<std::uint8_t>(m[1]);
    if (static_cast<std::uint8_t>(m[0]) == 0xFF && (marker == wanted || marker == orWanted))
      return marker;
    if (stream.atEnd()) return 0;
    char len[2];
    if (stream.read(len, 2) != 2) return 0;
    const int length = (static_cast<std::uint8_t>(len[0]) << 8) | static_cast<std::uint8_t>(len[1]);
    if (length < 2 || !stream.seek(stream.pos() + length - 2)) return 0;
    if (stream.read(m, 2) != 2) return 0;
  }
}

std::uint8_t EstimateJpegQuality(QIODevice& stream, const JpegQualityTable& table) {
  if (!table.present()) return 0;
  if (WalkToMarker(stream, 0xDB, 0xDB) == 0) return 255;
  char skip[3];
  if (stream.read(skip, 3) != 3) return 255;
  const QByteArray values = stream.read(64);
  if (values.size() != 64) return 255;
  int low = 1, high = 100, probe = 50;
  for (int step = 0; step < 100 && probe >= 1 && probe <= 100; ++step) {
    const std::uint8_t* record = table.records->data() + (probe - 1) * 64;
    int i = 0;
    while (i < 64 && static_cast<std::uint8_t>(values[i]) == record[i]) ++i;
    if (i == 64) return static_cast<std::uint8_t>(probe);
    if (static_cast<std::uint8_t>(values[i]) > record[i]) {  // coarser: a lower quality
      high = probe;
      probe = (probe + low) / 2;
    } else {
      low = probe;
      probe = (high + probe) / 2 + 1;
    }
  }
  return 255;
}

bool IsProgressiveJpeg(QIODevice& stream) { return WalkToMarker(stream, 0xC0, 0xC2) == 0xC2; }

}  // namespace ondrel
