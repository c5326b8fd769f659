// Reads every image of a file through QImageReader, as any Qt program would, and prints what
// it got: the bench's stand-in for a file manager or viewer using the BLP plugin.
// usage: qt_read_all_levels FILE   (QT_PLUGIN_PATH must reach the plugin)
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qt_read_all_levels FILE\n");
    return 2;
  }
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  int read = 0, refused = 0;
  do {
    QImage image;
    if (reader.read(&image)) ++read;
    else ++refused;
  } while (reader.jumpToNextImage());
  std::printf("%d levels read, %d refused (%s)\n", read, refused, qPrintable(reader.errorString()));
  return 0;
}
