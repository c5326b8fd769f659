// The first decision of a start, taken before any window exists: answer --help or --version,
// or, with RunOneApp on (the default), become the running instance or hand the command line
// over to it and end. Whenever the hand-off cannot reach a live instance of this user, the
// start runs with its own window instead of ending unseen.
#pragma once

#include "single_instance.hpp"

#include <QByteArray>
#include <QString>

#include <optional>

namespace ondrel {

struct StartDecision {
  bool runApplication = false;  // false: end now with exitCode, showing nothing
  int exitCode = 0;
  QByteArray output;  // for standard output before ending: the usage or the version
  // For standard error: why this start runs on its own though RunOneApp is on.
  QString notice;
  // The hand-off channel of the running instance; empty when this start runs on its own.
  std::optional<SingleInstance> instance;
};

// The texts of --help and --version.
QByteArray UsageText();
QByteArray VersionText();

// Answers --help / -h / --version given as the first argument; else reads RunOneApp from the
// settings file and claims the instance's socket. A second start sends "s" or "e" + argv[1]
// (made absolute) and ends with 0 once the running instance has it.
StartDecision DecideStart(int argc, const char* const* argv);

}  // namespace ondrel
