// Ondrel's start: for now one window that shows the codec library's version.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QString>

#include "file_size_signal.hpp"
#include "ormel_blp.h"

int main(int argc, char** argv) {
  ondrel::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  std::uint16_t major = 0, minor = 0, release = 0, build = 0;
  GetLibraryVersion(&major, &minor, &release, &build);

  QMainWindow window;
  window.setObjectName("OndrelForm");
  window.setWindowTitle("Ondrel");
  auto* version = new QLabel(QString("ormel_blp %1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build));
  version->setObjectName("lblVersion");
  version->setAlignment(Qt::AlignCenter);
  window.setCentralWidget(version);
  window.resize(480, 320);
  window.show();
  return app.exec();
}
