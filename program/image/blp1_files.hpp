// The file operations of the BLP1 tools: classification for the optimizer, the JPEG header
// optimizer and the paletted re-save (the palette trimmed, no level re-encoded), and the
// rewrite of the mipmap tables that stores a comment. Target may equal source; every rewrite
// is atomic (temporary file, then rename).
// A target that is the source itself (by any name) is rewritten in place, which refuses a
// file of several hard links rather than part them.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

#include "blp1_header.hpp"

namespace ondrel {

// 0: BLP1 with JPEG content; 1: BLP1 paletted; any other low compression byte of a BLP1 file
// as it is; 255: not BLP1. Throws FileError on a file too short to tell.
std::uint8_t ClassifyForOptimization(const QString& fileName);

// Bytes saved: source size - target size. The target is written only when the result is
// smaller; otherwise nothing is written (a new target is not made) and the result is 0.
// Throws OptimizeError for a file that cannot be rewritten without changing a picture.
std::int32_t OptimizeJpegBlp(const QString& source, const QString& target);
std::int32_t ResavePalettedBlp(const QString& source, const QString& target);

// The same two rewrites on a file image in memory, for callers that write the result only
// when it pays. `name` is the file's name for error messages.
QByteArray OptimizedJpegBlp(const QByteArray& file);
QByteArray ResavedPalettedBlp(const QByteArray& file, const QString& name);

// Writes the header's offset and size tables (bytes 28..155) into the source file's bytes
// and saves them under the target name; nothing else changes.
void StoreMipmapTables(const Blp1Header& header, const QString& source, const QString& target);

// The first 156 bytes of a BLP1 file. Throws FileError when the file is shorter or not BLP1.
Blp1Header ReadBlp1Header(const QString& fileName);

}  // namespace ondrel
