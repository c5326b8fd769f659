#include <QFileInfo>

#include <optional>

#include "commands.hpp"
#include "convert_file.hpp"
#include "ordered_runner.hpp"
#include "progress_display.hpp"
#include "save_flags.hpp"
#include "usage_error.hpp"

namespace ondrel::cli {
namespace {

using batch::TargetFormat;

// A single output file: its extension must name the format, or agree with --format.
TargetFormat FileTargetFormat(const QString& output, const std::optional<TargetFormat>& given) {
  const QString ext = batch::ExtensionOf(output);
  if (ext == ".blp") {
    if (!given) return TargetFormat::Blp2;
    if (*given == TargetFormat::Blp1 || *given == TargetFormat::Blp2) return *given;
  } else if (const auto fromName = batch::TargetFormatFromExtension(output)) {
    if (!given || *given == *fromName) return *fromName;
  } else if (!given) {
    throw UsageError("cannot tell the format from '" + output + "'; give --format");
  }
  throw UsageError("the output name '" + output + "' does not end in " +
                   batch::TargetExtension(*given) + " as --format " + batch::TargetFormatName(*given) +
                   " writes");
}

struct FileResult {
  QString error;
  QStringList warnings;
};

}  // namespace

int RunConvert(const Request& request, const std::atomic<bool>& stop) {
  const std::vector<batch::SourceFile> sources =
      CollectSources(request.inputs, request.sourceExtensions, request.recursive);
  bool folderInput = false;
  for (const QString& input : request.inputs) folderInput = folderInput || QFileInfo(input).isDir();
  const QFileInfo output(request.output);
  const bool toFile = request.inputs.size() == 1 && !folderInput && !output.isDir() &&
                      !request.output.endsWith('/') && !batch::ExtensionOf(request.output).isEmpty();

  batch::ConversionSettings settings;
  std::vector<batch::ConversionJob> jobs;
  if (toFile) {
    if (request.keepStructure) throw UsageError("--keep-structure needs an output folder");
    settings.format = FileTargetFormat(request.output, request.format);
    jobs.push_back(batch::PlanSingleConversion(request.inputs.front(), request.output));
  } else {
    if (!request.format) throw UsageError("give --format for the output folder '" + request.output + "'");
    if (output.exists() && !output.isDir())
      throw UsageError("the output '" + request.output + "' is a file, but these inputs need a folder");
    settings.format = *request.format;
    jobs = batch::PlanConversion(sources, request.output, request.keepStructure, settings.format);
  }
  settings.options = SaveOptionsFor(settings.format, request.saveFlags);
  settings.alpha = request.alpha;
  settings.mipmapIndex = request.mipmap;
  if (jobs.empty()) {
    PrintError("no image files in the inputs");
    return 1;
  }

  std::vector<FileResult> results(jobs.size());
  ProgressDisplay display(ProgressDisplay::StyleFor(request.quiet), jobs.size());
  batch::RunCallbacks callbacks;
  callbacks.work = [&](std::size_t i) {
    const batch::ConversionJob& job = jobs[i];
    if (!job.refusal.isEmpty()) {
      results[i].error = job.refusal;
      return;
    }
    try {
      results[i].warnings = batch::ConvertFile(job.source, job.target, settings).warnings;
    } catch (const std::exception& e) {
      results[i].error = QString::fromStdString(e.what());
    }
  };
  callbacks.started = [&](std::size_t i) { display.started(jobs[i].source); };
  std::size_t failures = 0;
  callbacks.finished = [&](std::size_t i) {
    const batch::ConversionJob& job = jobs[i];
    for (const QString& w : results[i].warnings) display.warned("ondrel-convert: warning: " + job.source + ": " + w);
    if (results[i].error.isEmpty()) {
      display.succeeded(job.source + " -> " + job.target);
    } else {
      ++failures;
      display.failed("ondrel-convert: " + job.source + ": " + results[i].error);
    }
  };
  const std::size_t reported = batch::RunInListOrder(jobs.size(), request.jobs, callbacks, &stop);
  display.finish();

  if (ReportInterrupted(reported, jobs.size())) return 130;
  if (!request.quiet) {
    const QString summary = failures == 0
        ? QString("converted %1 file%2").arg(jobs.size()).arg(jobs.size() == 1 ? "" : "s")
        : QString("converted %1 of %2 files; %3 failed").arg(jobs.size() - failures).arg(jobs.size()).arg(failures);
    PrintError(summary);
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace ondrel::cli
