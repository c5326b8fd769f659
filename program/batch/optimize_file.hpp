// The mass optimizer's step for one file: a BLP1 file with JPEG content gets one shared JPEG
// header and no gaps; a paletted BLP1 file is re-saved with only the palette entries it uses
// (twice when the first pass gained). The new file is made in memory and replaces the file
// atomically, only when it is smaller: a file never grows and is never half-written.
#pragma once

#include <QString>

#include <cstdint>

namespace ondrel::batch {

enum class OptimizeKind { BlpJpeg, BlpPaletted, NotOptimizable };

struct OptimizeOutcome {
  OptimizeKind kind = OptimizeKind::NotOptimizable;
  std::int64_t saved = 0;  // bytes; 0 when the file was left as it was
  bool rewritten = false;
};

// Throws BatchError when the file cannot be read or rewritten; the file is then unchanged.
OptimizeOutcome OptimizeFileInPlace(const QString& path);

}  // namespace ondrel::batch
