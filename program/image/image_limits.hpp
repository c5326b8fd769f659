// Limits every loader checks before it allocates from a file's header, and the whole-file
// reads the loaders start with. A header that claims more than 16384 x 16384 pixels (1 GiB of
// 32-bit pixels), a side above 65535, or more pixel data than its file can hold is refused.
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstdint>

#include "image_errors.hpp"

namespace ondrel {

inline constexpr std::uint64_t kMaxImagePixels = 16384ull * 16384ull;
inline constexpr std::uint32_t kMaxImageSide = 65535;

// Throws ImageLoadError when width x height passes the limits, or when the file cannot hold
// `minimumFileBytes` (what the smallest valid encoding of that many pixels needs).
void RequireImageFits(const char* format, std::uint64_t width, std::uint64_t height,
                      std::uint64_t fileSize, std::uint64_t minimumFileBytes);

// The whole device from position 0, at most kMaxFileBytes; throws ImageLoadError when it cannot
// be read.
QByteArray ReadWholeStream(QIODevice& stream);

// Reads exactly n bytes at the current position; throws ImageLoadError when short.
QByteArray ReadExactly(QIODevice& stream, qint64 n, const char* what);

}  // namespace ondrel
