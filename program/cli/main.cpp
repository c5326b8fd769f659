// ondrel-convert: Ondrel's converter, optimizer and inspector for scripts and build pipelines.
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include "commands.hpp"
#include "ormel_blp.h"
#include "usage_error.hpp"

namespace {

std::atomic<bool> gStop{false};  // set by the first Ctrl-C: finish the files in hand, then stop

extern "C" void OnInterrupt(int) { gStop.store(true); }

// The first SIGINT or SIGTERM lets the files in hand finish (no scratch files are left); a
// second one ends the process at once.
void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void Print(std::FILE* to, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace ondrel::cli;
  try {
    const Request request = ParseCommandLine(QCoreApplication::arguments().mid(1));
    switch (request.mode) {
      case Mode::Help:
        Print(stdout, HelpText());
        return 0;
      case Mode::Version: {
        std::uint16_t major = 0, minor = 0, release = 0, build = 0;
        GetLibraryVersion(&major, &minor, &release, &build);
        Print(stdout, QString("ondrel-convert %1 (ormel_blp %2.%3.%4.%5)\n")
                          .arg(ONDREL_VERSION).arg(major).arg(minor).arg(release).arg(build));
        return 0;
      }
      default:
        break;
    }
    CatchInterrupts();
    if (request.mode == Mode::Info) return RunInfo(request, gStop);
    if (request.mode == Mode::Optimize) return RunOptimize(request, gStop);
    return RunConvert(request, gStop);
  } catch (const UsageError& e) {
    PrintError(QString::fromStdString(e.what()));
    Print(stderr, "Try 'ondrel-convert --help' for more.\n");
    return 2;
  } catch (const std::exception& e) {
    PrintError(QString::fromStdString(e.what()));
    return 1;
  }
}
