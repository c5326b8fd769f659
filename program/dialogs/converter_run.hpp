// The converter's run over its file list: each file loaded, treated and saved, load errors
// reported, one progress step per file, Stop between two files. With several threads the
// files are converted side by side, but everything the user sees and gets is what one thread
// gives: reports in list order, and where two files share a target the later one wins.
#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

#include "file_format_options.hpp"

namespace ondrel::dialogs {

struct ConverterJob {
  QString source, target;
};

enum class FileOutcome { Written, LoadFailed, SaveFailed };

// What became of one file, and why when it failed (the words ondrel-convert prints for it).
struct FileResult {
  FileResult(FileOutcome outcome = FileOutcome::SaveFailed, QString reason = {})
      : outcome(outcome), reason(std::move(reason)) {}
  FileOutcome outcome;
  QString reason;
};

// Converts one file; called on worker threads when the run has more than one.
using ConvertOneFile = std::function<FileResult(const ConverterJob&)>;

struct ConverterRunHooks {
  std::function<void(const QString& fileNameWithoutFolder, const QString& reason)> showLoadError;
  std::function<void(int filesDone)> progress;
  std::function<void()> processEvents;
};

struct ConverterRunResult {
  int reported = 0;  // files whose turn came before the run ended
  int written = 0;
  bool stopped = false;
  std::vector<FileResult> results;  // one per reported file, in list order
};

// threads < 2 runs every file on the calling thread.
ConverterRunResult RunConversion(const std::vector<ConverterJob>& jobs, const ConvertOneFile& convert,
                                 const ConverterRunHooks& hooks, const std::atomic<bool>& stop,
                                 int threads);

// The options a run converts with, fixed when it starts.
struct ConversionSettings {
  int destFormat = 0;
  bool folderStruct = false;
  std::uint8_t alphaTreatment = 0;
  FileFormatOptions options = DesignedFileFormatOptions();
};

// Converting through the batch engine (the one ondrel-convert uses): the target's folder
// made first (with folderStruct); a failing file is skipped, its reason kept for the summary.
ConvertOneFile BatchEngineConversion(const ConversionSettings& settings);

}  // namespace ondrel::dialogs
