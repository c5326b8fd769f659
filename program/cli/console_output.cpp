#include <cstdio>

#include "commands.hpp"

namespace ondrel::cli {

void PrintError(const QString& text) {
  std::fflush(stdout);
  const QByteArray bytes = ("ondrel-convert: " + text + '\n').toLocal8Bit();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
  std::fflush(stderr);
}

void PrintOut(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
  std::fflush(stdout);
}

bool ReportInterrupted(std::size_t reported, std::size_t total) {
  if (reported >= total) return false;
  PrintError(QString("interrupted after %1 of %2 files").arg(reported).arg(total));
  return true;
}

}  // namespace ondrel::cli
