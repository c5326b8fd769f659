// What a run shows while it works: on a terminal a one-line bar (files done / total and the
// file being worked on) on standard error; elsewhere one plain line per file; with -q nothing
// but failures. Failures and warnings always go to standard error, above the bar.
#pragma once

#include <QString>

#include <cstddef>

namespace ondrel::cli {

class ProgressDisplay {
 public:
  enum class Style { Bar, Lines, Quiet };

  // The style for this process: Quiet when asked, Bar when standard error is a terminal.
  static Style StyleFor(bool quiet);

  ProgressDisplay(Style style, std::size_t total);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  void started(const QString& file);
  // One file done. `line` goes to standard output in the Lines style (and in every style
  // but Quiet when `always` is set); failures and warnings go to standard error.
  void succeeded(const QString& line, bool always = false);
  void warned(const QString& line);
  void failed(const QString& line);

  // Clears the bar; nothing is drawn after this.
  void finish();

 private:
  void clearBar();
  void drawBar();

  Style style_;
  std::size_t total_;
  std::size_t done_ = 0;
  QString current_;
  bool barShown_ = false;
  bool finished_ = false;
  int columns_ = 80;
};

}  // namespace ondrel::cli
