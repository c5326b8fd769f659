#include "optimize_file.hpp"

#include "image_access.hpp"

namespace ondrel::batch {

OptimizeOutcome OptimizeFileInPlace(const QString& path) {
  OptimizeOutcome outcome;
  const std::uint8_t kind = ClassifyForOptimization(path);
  if (kind == 0)
    outcome.kind = OptimizeKind::BlpJpeg;
  else if (kind == 1)
    outcome.kind = OptimizeKind::BlpPaletted;
  else
    return outcome;

  // The new file is made in memory and written only when smaller, by the atomic in-place
  // rewrite: durable once renamed, with the file's owner, permissions and attributes, through
  // a link into the file it names, and nothing left beside it after a crash.
  const QByteArray original = ReadWholeFile(path);
  QByteArray optimized;
  if (outcome.kind == OptimizeKind::BlpJpeg) {
    optimized = OptimizedJpegBlp(original);
  } else {
    optimized = ResavedPalettedBlp(original, path);
    if (optimized.size() < original.size()) optimized = ResavedPalettedBlp(optimized, path);
  }
  const std::int64_t saved = std::int64_t(original.size()) - std::int64_t(optimized.size());
  if (saved <= 0) return outcome;  // the file stays as it was

  RewriteFileInPlace(path, optimized);
  outcome.saved = saved;
  outcome.rewritten = true;
  return outcome;
}

}  // namespace ondrel::batch
