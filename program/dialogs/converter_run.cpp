#include "converter_run.hpp"

#include "image_access.hpp"

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace ondrel::dialogs {
namespace {

// A file that throws fails with the reason, and the run goes on with the next.
FileResult ConvertCatching(const ConvertOneFile& convert, const ConverterJob& job) {
  try {
    return convert(job);
  } catch (const std::bad_alloc&) {
    return {FileOutcome::SaveFailed, QStringLiteral("out of memory")};
  } catch (const std::exception& e) {
    return {FileOutcome::SaveFailed, QString::fromUtf8(e.what())};
  } catch (...) {
    return {FileOutcome::SaveFailed, QStringLiteral("unexpected error")};
  }
}

void Report(const ConverterJob& job, FileResult outcome, const ConverterRunHooks& hooks,
            ConverterRunResult& result) {
  if (outcome.outcome == FileOutcome::LoadFailed && hooks.showLoadError)
    hooks.showLoadError(QFileInfo(job.source).fileName(), outcome.reason);
  if (outcome.outcome == FileOutcome::Written) ++result.written;
  result.results.push_back(std::move(outcome));
  ++result.reported;
  if (hooks.progress) hooks.progress(result.reported);
  if (hooks.processEvents) hooks.processEvents();
}

ConverterRunResult RunOnThisThread(const std::vector<ConverterJob>& jobs, const ConvertOneFile& convert,
                                   const ConverterRunHooks& hooks, const std::atomic<bool>& stop) {
  ConverterRunResult result;
  for (const ConverterJob& job : jobs) {
    if (stop) {
      result.stopped = true;
      break;
    }
    Report(job, ConvertCatching(convert, job), hooks, result);
  }
  return result;
}

// Files sharing a target are one group, converted by one worker in list order, so the later
// file's save is the last one, as on one thread.
std::vector<std::vector<std::size_t>> GroupsByTarget(const std::vector<ConverterJob>& jobs) {
  std::vector<std::vector<std::size_t>> groups;
  std::map<QString, std::size_t> groupOfTarget;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const auto [it, added] = groupOfTarget.try_emplace(jobs[i].target, groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
  }
  return groups;
}

}  // namespace

ConverterRunResult RunConversion(const std::vector<ConverterJob>& jobs, const ConvertOneFile& convert,
                                 const ConverterRunHooks& hooks, const std::atomic<bool>& stop,
                                 int threads) {
  if (threads < 2 || jobs.size() < 2) return RunOnThisThread(jobs, convert, hooks, stop);

  const auto groups = GroupsByTarget(jobs);
  std::mutex mutex;
  std::condition_variable done;
  std::vector<std::optional<FileResult>> outcomes(jobs.size());
  std::atomic<std::size_t> nextGroup{0};
  int activeWorkers = 0;

  const auto worker = [&] {
    for (;;) {
      const std::size_t g = nextGroup++;
      if (g >= groups.size() || stop) break;
      for (std::size_t i : groups[g]) {
        if (stop) break;
        FileResult outcome = ConvertCatching(convert, jobs[i]);
        std::lock_guard lock(mutex);
        outcomes[i] = outcome;
        done.notify_all();
      }
    }
    std::lock_guard lock(mutex);
    --activeWorkers;
    done.notify_all();
  };

  const int count = int(std::min<std::size_t>(std::size_t(threads), groups.size()));
  activeWorkers = count;
  std::vector<std::jthread> workers;
  for (int t = 0; t < count; ++t) workers.emplace_back(worker);

  ConverterRunResult result;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    std::optional<FileResult> outcome;
    for (;;) {
      std::unique_lock lock(mutex);
      done.wait_for(lock, std::chrono::milliseconds(20), [&] { return outcomes[i] || activeWorkers == 0; });
      outcome = outcomes[i];
      if (outcome || activeWorkers == 0) break;
      lock.unlock();
      // The window stays responsive while the next file in order is still being converted.
      if (hooks.processEvents) hooks.processEvents();
    }
    if (!outcome) {  // the workers stopped before this file
      result.stopped = true;
      break;
    }
    Report(jobs[i], *outcome, hooks, result);
  }
  if (stop && result.reported < int(jobs.size())) result.stopped = true;
  return result;  // the jthreads join here; after a Stop they finish only their current file
}

ConvertOneFile BatchEngineConversion(const ConversionSettings& settings) {
  return [settings](const ConverterJob& job) {
    batch::LoadedPicture loaded;
    try {
      loaded = batch::LoadPicture(job.source, 0);
    } catch (const batch::BatchError& e) {
      return FileResult{FileOutcome::LoadFailed, QString::fromUtf8(e.what())};
    } catch (const std::bad_alloc&) {
      return FileResult{FileOutcome::LoadFailed, QStringLiteral("out of memory")};
    }
    try {
      const bool hasAlpha = batch::ApplyAlpha(loaded.bitmap, batch::AlphaTreatment(settings.alphaTreatment));
      // mkpath, not a check-then-create: workers may make the same folder at once.
      if (settings.folderStruct) QDir().mkpath(QFileInfo(job.target).path());
      batch::SavePicture(job.target, loaded.bitmap, batch::TargetFormat(settings.destFormat), settings.options,
                         hasAlpha);
    } catch (const std::bad_alloc&) {
      return FileResult{FileOutcome::SaveFailed, QStringLiteral("out of memory")};
    } catch (const std::exception& e) {
      // Skipped, the run goes on; the summary at its end says why.
      return FileResult{FileOutcome::SaveFailed, QString::fromUtf8(e.what())};
    }
    return FileResult{FileOutcome::Written};
  };
}

}  // namespace ondrel::dialogs
