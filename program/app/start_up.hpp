// The first decision of a start, taken before any window exists: with RunOneApp on (the
// default), become the running instance or hand the command line over to it and end.
#pragma once

#include "single_instance.hpp"

#include <optional>

namespace ondrel {

struct StartDecision {
  bool runApplication = false;  // false: end now with exitCode, showing nothing
  int exitCode = 0;
  // The hand-off channel of the running instance; empty when RunOneApp is 0.
  std::optional<SingleInstance> instance;
};

// Reads RunOneApp from the settings file and claims the instance names. A second start sends
// "s" or "e" + argv[1] and ends with 0; a failure to claim them ends silently with 1.
StartDecision DecideStart(int argc, const char* const* argv);

}  // namespace ondrel
