// The mass optimizer's run without its window: every BLP file rewritten in place by its kind,
// one log line a file and the summary, errors swallowed per file.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>

namespace ondrel::dialogs {

// The per-file operations; the image layer's by default.
struct OptimizerSteps {
  std::function<std::uint8_t(const QString&)> classify;
  std::function<std::int64_t(const QString& source, const QString& target)> optimizeJpeg;
  std::function<std::int64_t(const QString& source, const QString& target)> resavePaletted;
  static OptimizerSteps ImageLayer();
};

// The log texts: MESSAGES[13] (name, saved), [14] (name) and [15] (files, total).
struct OptimizerTexts {
  std::function<QString(const QString& name, std::int64_t saved)> optimized;
  std::function<QString(const QString& name)> unchanged;
  std::function<QString(int files, std::int64_t total)> summary;
};

struct OptimizerRunHooks {
  std::function<void(const QString& entry)> addLog;
  std::function<void(int filesDone)> progress;
  std::function<void()> processEvents;
};

struct OptimizerRunResult {
  int filesOptimized = 0;
  std::int64_t totalSaved = 0;
  bool stopped = false;
};

// Bytes one file gained: JPEG kind once, paletted kind twice when the first pass gained.
// Errors are swallowed; what was reached before one counts.
std::int64_t OptimizeOneFile(const QString& file, const OptimizerSteps& steps);

OptimizerRunResult RunOptimizer(const QStringList& files, const OptimizerSteps& steps,
                                const OptimizerTexts& texts, const OptimizerRunHooks& hooks,
                                const std::atomic<bool>& stop);

}  // namespace ondrel::dialogs

namespace ondrel::dialogs {

// The optimizer's input check: MESSAGES[2] for an empty field, [10] for a missing folder;
// -1 when the run may start.
int CheckOptimizerInput(const QString& sourceFolder);

}  // namespace ondrel::dialogs
