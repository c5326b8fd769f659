// The mass optimizer's step for one file: a BLP1 file with JPEG content gets one shared JPEG
// header and no gaps; a paletted BLP1 file loses the palette entries no level uses, each
// level's indices renumbered and every other byte kept (a second pass runs when the first gained, and finds nothing more).
// No level is decoded or encoded again. The new file is made in memory and replaces the file
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
