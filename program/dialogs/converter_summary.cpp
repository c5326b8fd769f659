#include "converter_summary.hpp"

#include <QDir>

#include <map>

#include "message_format.hpp"

namespace ondrel::dialogs {
namespace {

QString Below(const QString& path, const QString& folder) {
  if (!folder.isEmpty() && path.startsWith(folder)) return QDir::toNativeSeparators(path.mid(folder.size()));
  return QDir::toNativeSeparators(path);
}

// A heading, the first lines of a list, and a note of how many more the details hold.
void AddList(QStringList& text, QStringList& details, bool& cut, const QString& heading, const QStringList& lines,
             const QString& moreFormat) {
  if (lines.isEmpty()) return;
  text << QString() << heading;
  details << QString() << heading;
  text << lines.mid(0, kSummaryLinesShown);
  details << lines;
  if (lines.size() > kSummaryLinesShown) {
    text << FormatMessage(moreFormat, {std::int64_t(lines.size() - kSummaryLinesShown)});
    cut = true;
  }
}

}  // namespace

ConverterSummary SummarizeRun(const std::vector<ConverterJob>& jobs, const ConverterRunResult& run,
                              const QString& sourceFolder, const QString& destFolder) {
  ConverterSummary summary;
  summary.listed = int(jobs.size());
  summary.reached = int(std::min(run.results.size(), jobs.size()));
  summary.stopped = run.stopped;
  std::map<QString, std::size_t> targetIndex;
  std::vector<ConverterSummary::SharedTarget> targets;
  for (std::size_t i = 0; i < std::size_t(summary.reached); ++i) {
    const FileResult& result = run.results[i];
    if (result.outcome != FileOutcome::Written) {
      summary.failures.push_back({Below(jobs[i].source, sourceFolder), result.reason});
      continue;
    }
    ++summary.converted;
    const auto [it, added] = targetIndex.try_emplace(jobs[i].target, targets.size());
    if (added) targets.push_back({Below(jobs[i].target, destFolder), {}});
    targets[it->second].sources << Below(jobs[i].source, sourceFolder);
  }
  for (auto& target : targets)
    if (target.sources.size() > 1) summary.writtenTwice.push_back(std::move(target));
  return summary;
}

SummaryBox SummaryBoxFor(const ConverterSummary& summary, const std::function<QString(NamedMessage)>& named) {
  const auto text = [&](NamedMessage key) { return named ? named(key) : QString(); };
  const auto failed = std::int64_t(summary.failures.size());
  QStringList lines, details;
  lines << (summary.stopped ? FormatMessage(text(NamedMessage::ConvertStopped),
                                            {std::int64_t(summary.reached), std::int64_t(summary.listed),
                                             std::int64_t(summary.converted), failed})
                            : FormatMessage(text(NamedMessage::ConvertCounts),
                                            {std::int64_t(summary.listed), std::int64_t(summary.converted), failed}));
  details << lines.first();

  QStringList failures, shared;
  for (const auto& failure : summary.failures)
    failures << (failure.reason.isEmpty() ? failure.source : failure.source + QStringLiteral(": ") + failure.reason);
  for (const auto& target : summary.writtenTwice)
    shared << target.target + QStringLiteral(": ") + target.sources.join(QStringLiteral(", "));

  bool cut = false;
  const QString more = text(NamedMessage::ConvertMoreLines);
  AddList(lines, details, cut, text(NamedMessage::ConvertFailedList), failures, more);
  AddList(lines, details, cut, text(NamedMessage::ConvertWrittenTwice), shared, more);

  SummaryBox box;
  box.text = lines.join('\n');
  if (cut) box.details = details.join('\n');
  if (!failures.isEmpty() || !shared.isEmpty() || summary.stopped) {
    box.icon = DialogPrompts::Icon::Warning;
    box.messageType = 2;
  }
  return box;
}

}  // namespace ondrel::dialogs
