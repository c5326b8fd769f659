// The lines of a Qt program: every image QImageReader reads of each file, through whatever
// BLP plugin QT_PLUGIN_PATH offers. Built against Qt 5, to check the Qt 5 build of the plugin
// from a process that loads no Qt 6 at all. A file the reader fails on prints "<name> refused".
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

#include "pixel_sum.hpp"

using ondrel::sums::PixelSum;

namespace {

void PrintFile(const QString& path) {
  const std::string name = ondrel::sums::BaseName(path.toStdString());
  QImageReader reader(path);
  if (reader.format() != "blp") {
    std::printf("%s refused\n", name.c_str());
    return;
  }
  const int count = std::max(1, reader.imageCount());
  for (int level = 0; level < count; ++level) {
    QImage image;
    if (!reader.jumpToImage(level) || !reader.read(&image)) {
      std::printf("%s refused\n", name.c_str());
      return;
    }
    const bool alpha = image.hasAlphaChannel();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    PixelSum sum;
    for (int y = 0; y < argb.height(); ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      for (int x = 0; x < argb.width(); ++x)
        sum.add(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha ? qAlpha(line[x]) : 0xFF);
    }
    ondrel::sums::PrintLine(name, level, image.width(), image.height(), alpha, sum);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The plugin must be the one this process sees: say which formats are there.
  if (!QImageReader::supportedImageFormats().contains("blp") ||
      !QImageReader::supportedMimeTypes().contains("image/x-blp")) {
    std::fprintf(stderr, "no BLP plugin on the plugin path\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) PrintFile(QString::fromLocal8Bit(argv[i]));
  return 0;
}
