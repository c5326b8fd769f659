// The three modes of ondrel-convert. Each returns the exit status: 0 every file done, 1 some
// failed, 130 interrupted. Usage errors found once the inputs are known throw UsageError
// before any file is touched.
#pragma once

#include <QStringList>

#include <atomic>
#include <cstddef>
#include <vector>

#include "command_line.hpp"
#include "conversion_plan.hpp"

namespace ondrel::cli {

int RunConvert(const Request& request, const std::atomic<bool>& stop);
int RunInfo(const Request& request, const std::atomic<bool>& stop);
int RunOptimize(const Request& request, const std::atomic<bool>& stop);

// The files of the inputs in order: a folder gives its images of `extensions` (and those of
// its subfolders with recursive), a file (or a name that does not exist) stands for itself.
// A file reached twice is kept once.
std::vector<batch::SourceFile> CollectSources(const QStringList& inputs, const QStringList& extensions,
                                              bool recursive);

// "ondrel-convert: " + text, on standard error.
void PrintError(const QString& text);

// The bytes on standard output, flushed so they keep their place among the error lines.
void PrintOut(const QByteArray& bytes);

// Reports a run stopped by an interrupt after `reported` of `total` files; true when it was.
bool ReportInterrupted(std::size_t reported, std::size_t total);

}  // namespace ondrel::cli
