#include "start_up.hpp"

#include "hand_off_folder.hpp"
#include "program_paths.hpp"
#include "settings_store.hpp"

#include <cstring>

namespace ondrel {

namespace {

StartDecision RunAlone(const QString& why) {
  StartDecision decision;
  decision.runApplication = true;
  decision.notice =
      QStringLiteral("ondrel: running on its own, not as the single instance: ") + why;
  return decision;
}

}  // namespace

QByteArray UsageText() {
  return QByteArrayLiteral(
      "Usage: ondrel [IMAGE]\n"
      "View BLP textures and TGA, BMP, JPEG, PNG and DDS images, save them in any of\n"
      "these formats, and convert or optimize whole folders.\n"
      "\n"
      "  IMAGE          the image to open; while Ondrel already runs for this user\n"
      "                 in single-instance mode (the default), it opens there\n"
      "  -h, --help     this text\n"
      "      --version  the program's version\n");
}

QByteArray VersionText() { return QByteArrayLiteral("ondrel " ONDREL_VERSION "\n"); }

StartDecision DecideStart(int argc, const char* const* argv) {
  StartDecision decision;
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    decision.output = UsageText();
    return decision;
  }
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    decision.output = VersionText();
    return decision;
  }
  if (!ReadRunOneApp(SettingsFilePath(ProgramFolder()))) {
    decision.runApplication = true;
    return decision;
  }
  const HandOffFolder folder = PrivateHandOffFolder();
  if (!folder.refusal.isEmpty()) return RunAlone(folder.refusal);
  const std::optional<QByteArray> message = HandOffMessage(argc, argv, WorkingFolder());

  // A second claim follows only when the running instance ended between connect and send.
  for (int attempt = 0; attempt < 3; ++attempt) {
    SingleInstance instance = SingleInstance::Claim(HandOffSocketPath(folder.path));
    switch (instance.role()) {
      case SingleInstance::Role::First:
        decision.runApplication = true;
        decision.instance.emplace(std::move(instance));
        return decision;
      case SingleInstance::Role::Failed:
        return RunAlone(instance.failure());
      case SingleInstance::Role::Second:
        if (!message) return RunAlone(QStringLiteral("the working folder is unknown"));
        switch (instance.Send(*message)) {
          case SingleInstance::Delivery::Delivered:
            decision.exitCode = 0;
            return decision;
          case SingleInstance::Delivery::Gone:
            continue;
          case SingleInstance::Delivery::Failed:
            return RunAlone(QStringLiteral("the running instance did not take the request: ") +
                            instance.failure());
        }
    }
  }
  return RunAlone(QStringLiteral("the running instance kept going away"));
}

}  // namespace ondrel
