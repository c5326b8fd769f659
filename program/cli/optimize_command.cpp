#include "commands.hpp"
#include "optimize_file.hpp"
#include "ordered_runner.hpp"
#include "progress_display.hpp"

namespace ondrel::cli {

int RunOptimize(const Request& request, const std::atomic<bool>& stop) {
  const std::vector<batch::SourceFile> files =
      CollectSources(request.inputs, request.sourceExtensions, request.recursive);
  if (files.empty()) {
    PrintError("no BLP files in the inputs");
    return 1;
  }
  std::vector<batch::OptimizeOutcome> outcomes(files.size());
  std::vector<QString> errors(files.size());

  ProgressDisplay display(ProgressDisplay::StyleFor(request.quiet), files.size());
  batch::RunCallbacks callbacks;
  callbacks.work = [&](std::size_t i) {
    try {
      outcomes[i] = batch::OptimizeFileInPlace(files[i].path);
    } catch (const std::exception& e) {
      errors[i] = QString::fromStdString(e.what());
    }
  };
  callbacks.started = [&](std::size_t i) { display.started(files[i].path); };
  std::size_t failures = 0, optimised = 0;
  std::int64_t saved = 0;
  callbacks.finished = [&](std::size_t i) {
    const QString& path = files[i].path;
    const batch::OptimizeOutcome& o = outcomes[i];
    if (!errors[i].isEmpty()) {
      ++failures;
      display.failed("ondrel-convert: " + path + ": " + errors[i] + " (left as it was)");
    } else if (o.rewritten) {
      ++optimised;
      saved += o.saved;
      display.succeeded(QString("%1: %2 bytes saved").arg(path).arg(o.saved), true);
    } else if (o.kind == batch::OptimizeKind::NotOptimizable) {
      display.succeeded(path + ": nothing to gain (not a BLP1 file with JPEG or paletted content)", true);
    } else {
      display.succeeded(path + ": nothing to gain", true);
    }
  };
  const std::size_t reported = batch::RunInListOrder(files.size(), request.jobs, callbacks, &stop);
  display.finish();
  if (!request.quiet) {
    PrintOut(QString("\n%1 file%2 optimised, %3 bytes saved\n").arg(optimised).arg(optimised == 1 ? "" : "s").arg(saved).toLocal8Bit());
  }
  if (ReportInterrupted(reported, files.size())) return 130;
  return failures == 0 ? 0 : 1;
}

}  // namespace ondrel::cli
