#include "optimizer_run.hpp"

#include "optimize_file.hpp"

#include <QFileInfo>

namespace ondrel::dialogs {

OptimizeFileStep BatchEngineOptimizer() {
  return [](const QString& file) { return batch::OptimizeFileInPlace(file).saved; };
}

OptimizerRunResult RunOptimizer(const QStringList& files, const OptimizeFileStep& optimizeFile,
                                const OptimizerTexts& texts, const OptimizerRunHooks& hooks,
                                const std::atomic<bool>& stop) {
  OptimizerRunResult result;
  int done = 0;
  for (const QString& file : files) {
    if (stop) {
      result.stopped = true;
      break;
    }
    std::int64_t saved = 0;
    QString refusal;
    try {
      saved = optimizeFile(file);
    } catch (const std::exception& e) {
      // The file stays as it was and the run goes on, but "nothing to save" would not be true.
      refusal = QString::fromUtf8(e.what());
    }
    const QString name = QFileInfo(file).fileName();
    if (!refusal.isEmpty() && texts.refused) {
      hooks.addLog(texts.refused(name, refusal));
    } else if (saved < 1) {
      hooks.addLog(texts.unchanged(name));
    } else {
      ++result.filesOptimized;
      result.totalSaved += saved;
      hooks.addLog(texts.optimized(name, saved));
    }
    if (hooks.progress) hooks.progress(++done);
    if (hooks.processEvents) hooks.processEvents();
  }
  hooks.addLog(QStringLiteral("\n") + texts.summary(result.filesOptimized, result.totalSaved));
  return result;
}

}  // namespace ondrel::dialogs

namespace ondrel::dialogs {

int CheckOptimizerInput(const QString& sourceFolder) {
  if (sourceFolder.isEmpty()) return 2;
  if (!QFileInfo(sourceFolder).isDir()) return 10;
  return -1;
}

}  // namespace ondrel::dialogs
