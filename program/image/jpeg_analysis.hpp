// Quality estimate and progressive test of JPEG streams, against "jpeg.dat": the luminance
// quantization table our encoder writes at each quality 1..100 (100 records of 64 bytes, in
// DQT order), generated at build time and kept in the program folder.
#pragma once

#include <QIODevice>
#include <QString>

#include "program_folder.hpp"

#include <array>
#include <cstdint>
#include <optional>

namespace ondrel {

using JpegQualityRecords = std::array<std::uint8_t, 100 * 64>;

// The table, or nothing when the file was absent (then no estimate is attempted).
struct JpegQualityTable {
  std::optional<JpegQualityRecords> records;
  bool present() const { return records.has_value(); }
};

// Reads a table file; absent, unreadable or short files give an absent table.
JpegQualityTable LoadJpegQualityTable(const QString& path);

// The program's table: "jpeg.dat" found by FindDataFile, read once at first use.
const JpegQualityTable& ProgramJpegQualityTable();

// The stream stands on the first marker after SOI. Returns 1..100, or 255 when no record
// matches or the stream has no DQT. Moves the stream position.
std::uint8_t EstimateJpegQuality(QIODevice& stream, const JpegQualityTable& table);

// True when the first frame header (SOF0 or SOF2) is SOF2. Same precondition.
bool IsProgressiveJpeg(QIODevice& stream);

// Walks the segments from the current position until one of the two markers (second byte)
// is current, and leaves the stream after the marker. Returns the marker found, or 0.
std::uint8_t WalkToMarker(QIODevice& stream, std::uint8_t wanted, std::uint8_t orWanted);

}  // namespace ondrel
