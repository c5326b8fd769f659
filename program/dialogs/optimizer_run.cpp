#include "optimizer_run.hpp"

#include "blp1_files.hpp"

#include <QFileInfo>

namespace ondrel::dialogs {

OptimizerSteps OptimizerSteps::ImageLayer() {
  return {[](const QString& file) { return ClassifyForOptimization(file); },
          [](const QString& source, const QString& target) -> std::int64_t { return OptimizeJpegBlp(source, target); },
          [](const QString& source, const QString& target) -> std::int64_t { return ResavePalettedBlp(source, target); }};
}

std::int64_t OptimizeOneFile(const QString& file, const OptimizerSteps& steps) {
  std::int64_t saved = 0;
  try {
    switch (steps.classify(file)) {
      case 0: saved = steps.optimizeJpeg(file, file); break;
      case 1:
        saved = steps.resavePaletted(file, file);
        if (saved > 0) saved += steps.resavePaletted(file, file);
        break;
      default: break;
    }
  } catch (const std::exception&) {
    // Swallowed: the file is logged with what was reached.
  }
  return saved;
}

OptimizerRunResult RunOptimizer(const QStringList& files, const OptimizerSteps& steps,
                                const OptimizerTexts& texts, const OptimizerRunHooks& hooks,
                                const std::atomic<bool>& stop) {
  OptimizerRunResult result;
  int done = 0;
  for (const QString& file : files) {
    if (stop) {
      result.stopped = true;
      break;
    }
    const std::int64_t saved = OptimizeOneFile(file, steps);
    const QString name = QFileInfo(file).fileName();
    if (saved < 1) {
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
