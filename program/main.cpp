// Ondrel's start: decide first or second instance before any window exists, then run the
// application with the hand-off listener. The main window is still a stand-in that shows the
// codec library's version; a handed-off path becomes its title.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QString>

#include "TEventWaitThread.hpp"
#include "hand_off.hpp"
#include "ormel_blp.h"
#include "start_up.hpp"

namespace {

class StandInMainWindow : public QMainWindow {
 public:
  explicit StandInMainWindow(ondrel::SingleInstance* instance) : instance_(instance) {
    setObjectName("OndrelForm");
    setWindowTitle("Ondrel");
    std::uint16_t major = 0, minor = 0, release = 0, build = 0;
    GetLibraryVersion(&major, &minor, &release, &build);
    auto* version = new QLabel(
        QString("ormel_blp %1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build));
    version->setObjectName("lblVersion");
    version->setAlignment(Qt::AlignCenter);
    setCentralWidget(version);
    resize(480, 320);
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == ondrel::HandOffEvent && instance_ != nullptr) {
      ondrel::HandleHandOff(*this, *instance_,
                            [this](const QString& path) { setWindowTitle("Ondrel - " + path); });
      return true;
    }
    return QMainWindow::event(e);
  }

 private:
  ondrel::SingleInstance* instance_;
};

}  // namespace

int main(int argc, char** argv) {
  auto start = ondrel::DecideStart(argc, argv);
  if (!start.runApplication) return start.exitCode;

  QApplication app(argc, argv);
  QApplication::setApplicationName("Ondrel");
  ondrel::SingleInstance* instance = start.instance ? &*start.instance : nullptr;
  StandInMainWindow window(instance);
  window.show();
  // Declared after the window, so it stops before the window it posts to is destroyed.
  ondrel::TEventWaitThread listener(instance ? instance->eventSocket() : -1, &window);
  return app.exec();
}
