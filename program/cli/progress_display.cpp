#include "progress_display.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ondrel::cli {
namespace {

void Write(std::FILE* to, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
}

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
  return 80;
}

}  // namespace

ProgressDisplay::Style ProgressDisplay::StyleFor(bool quiet) {
  if (quiet) return Style::Quiet;
  const char* term = std::getenv("TERM");
  const bool dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
  return ::isatty(STDERR_FILENO) && !dumb ? Style::Bar : Style::Lines;
}

ProgressDisplay::ProgressDisplay(Style style, std::size_t total) : style_(style), total_(total) {
  if (style_ == Style::Bar) columns_ = TerminalColumns();
}

ProgressDisplay::~ProgressDisplay() { finish(); }

void ProgressDisplay::started(const QString& file) {
  current_ = file;
  drawBar();
}

void ProgressDisplay::succeeded(const QString& line, bool always) {
  ++done_;
  if (style_ == Style::Lines || (always && style_ == Style::Bar)) {
    clearBar();
    Write(stdout, line + '\n');
    std::fflush(stdout);
  }
  drawBar();
}

void ProgressDisplay::warned(const QString& line) {
  clearBar();
  std::fflush(stdout);
  Write(stderr, line + '\n');
  drawBar();
}

void ProgressDisplay::failed(const QString& line) {
  ++done_;
  clearBar();
  std::fflush(stdout);
  Write(stderr, line + '\n');
  drawBar();
}

void ProgressDisplay::finish() {
  clearBar();
  finished_ = true;
  std::fflush(stdout);
  std::fflush(stderr);
}

void ProgressDisplay::clearBar() {
  if (!barShown_) return;
  Write(stderr, "\r\033[K");
  barShown_ = false;
}

void ProgressDisplay::drawBar() {
  if (style_ != Style::Bar || finished_ || total_ == 0) return;
  const int width = 24;
  const int filled = int(done_ * std::size_t(width) / total_);
  QString line = '[' + QString(filled, '#') + QString(width - filled, '.') + "] " +
                 QString("%1/%2 ").arg(done_).arg(total_);
  // The current file's name, its start cut off when the terminal is too narrow.
  const int room = columns_ - 1 - int(line.size());
  if (room > 3) {
    QString name = current_;
    if (name.size() > room) name = "..." + name.right(room - 3);
    line += name;
  }
  Write(stderr, "\r\033[K" + line);
  std::fflush(stderr);
  barShown_ = true;
}

}  // namespace ondrel::cli
