#include "hand_off.hpp"

#include <QFile>
#include <QWidget>

namespace ondrel {

namespace {

void LogRequest(const QByteArray& request) {
  const QString log = qEnvironmentVariable("ONDREL_HANDOFF_LOG");
  if (log.isEmpty()) return;
  QFile file(log);
  if (file.open(QIODevice::Append)) file.write(request + '\n');
}

}  // namespace

void HandleHandOff(QWidget& window, SingleInstance& instance,
                   const std::function<void(const QString& path)>& open) {
  window.showNormal();
  window.raise();
  window.activateWindow();
  for (const QByteArray& request : instance.DrainMessages()) {
    LogRequest(request);
    if (request.startsWith('e')) open(QFile::decodeName(request.mid(1)));
  }
}

}  // namespace ondrel
