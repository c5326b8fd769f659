// The mass optimizer's run without its window: every BLP file rewritten in place by its kind,
// one log line a file and the summary, errors swallowed per file.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>

namespace ondrel::dialogs {

// Rewrites one file in place and returns the bytes it gained (0 when left as it was).
using OptimizeFileStep = std::function<std::int64_t(const QString& file)>;

// The batch engine's step, the one ondrel-convert uses: JPEG kind once, paletted kind twice
// when the first pass gained; the file is replaced only by a complete, smaller copy.
OptimizeFileStep BatchEngineOptimizer();

// The log texts: MESSAGES[13] (name, saved), [14] (name) and [15] (files, total); a file the
// step refused is logged with its reason.
struct OptimizerTexts {
  std::function<QString(const QString& name, std::int64_t saved)> optimized;
  std::function<QString(const QString& name)> unchanged;
  std::function<QString(const QString& name, const QString& reason)> refused;
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

// A step that throws leaves its file as it was; the log says why and the run goes on.
OptimizerRunResult RunOptimizer(const QStringList& files, const OptimizeFileStep& optimizeFile,
                                const OptimizerTexts& texts, const OptimizerRunHooks& hooks,
                                const std::atomic<bool>& stop);

}  // namespace ondrel::dialogs

namespace ondrel::dialogs {

// The optimizer's input check: MESSAGES[2] for an empty field, [10] for a missing folder;
// -1 when the run may start.
int CheckOptimizerInput(const QString& sourceFolder);

}  // namespace ondrel::dialogs
