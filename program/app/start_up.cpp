#include "start_up.hpp"

#include "program_paths.hpp"
#include "settings_store.hpp"

namespace ondrel {

StartDecision DecideStart(int argc, const char* const* argv) {
  StartDecision decision;
  if (!ReadRunOneApp(SettingsFilePath(ProgramFolder()))) {
    decision.runApplication = true;
    return decision;
  }
  SingleInstance instance = SingleInstance::Claim();
  switch (instance.role()) {
    case SingleInstance::Role::First:
      decision.runApplication = true;
      decision.instance.emplace(std::move(instance));
      break;
    case SingleInstance::Role::Second:
      SingleInstance::SendHandOff(HandOffMessage(argc, argv));
      decision.exitCode = 0;
      break;
    case SingleInstance::Role::Failed:
      decision.exitCode = 1;
      break;
  }
  return decision;
}

}  // namespace ondrel
