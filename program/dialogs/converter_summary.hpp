// The end of a converter run, told as the user needs it: how many files were converted, which
// failed and why, and which targets more than one file was saved to (the later file is kept,
// so the earlier ones are lost unless the folder structure is kept).
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "converter_run.hpp"
#include "dialog_support.hpp"

namespace ondrel::dialogs {

struct ConverterSummary {
  struct Failure {
    QString source;  // below the source folder
    QString reason;
  };
  struct SharedTarget {
    QString target;       // below the destination folder
    QStringList sources;  // in the order they were saved; the last one is what the file holds
  };
  int listed = 0;   // files in the run's list
  int reached = 0;  // files whose turn came before the run ended
  int converted = 0;
  bool stopped = false;
  std::vector<Failure> failures;  // in list order
  std::vector<SharedTarget> writtenTwice;
};

ConverterSummary SummarizeRun(const std::vector<ConverterJob>& jobs, const ConverterRunResult& run,
                              const QString& sourceFolder, const QString& destFolder);

// The box that shows a summary: a few lines of each list in the text, all of them in the
// details when some had to be left out.
struct SummaryBox {
  QString text, details;
  DialogPrompts::Icon icon = DialogPrompts::Icon::Information;
  int messageType = 1;  // MSGTYPES: 1 information, 2 warning
};

inline constexpr int kSummaryLinesShown = 5;

SummaryBox SummaryBoxFor(const ConverterSummary& summary, const std::function<QString(NamedMessage)>& named);

}  // namespace ondrel::dialogs
