// save_as_blp INPUT OUTPUT dxt|jpeg: any image Qt reads, written as BLP through the image
// plugin found on QT_PLUGIN_PATH, as any Qt program would write it.
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: save_as_blp INPUT OUTPUT dxt|jpeg\n");
    return 2;
  }
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  const QImage image = reader.read();
  if (image.isNull()) {
    std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(reader.errorString()));
    return 1;
  }
  QImageWriter writer(QString::fromLocal8Bit(argv[2]), "blp");
  writer.setSubType(argv[3]);
  if (!writer.write(image)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(writer.errorString()));
    return 1;
  }
  return 0;
}
