// ondrel-thumbnailer -s SIZE INPUT OUTPUT: the PNG thumbnail of a BLP texture (or of a DDS or
// TGA image), for freedesktop file managers. Needs no display; reads only INPUT and writes only OUTPUT. Exit status 0 on
// success, 1 for a file it cannot thumbnail, 2 for a wrong command line.
#include <QFile>
#include <QImageWriter>
#include <QString>

#include <cstdio>
#include <span>

#include "file_size_signal.hpp"
#include "other_formats.hpp"
#include "thumbnail.hpp"

namespace {

// The viewer reads no larger file either.
constexpr qint64 kMaxFileBytes = 0x7FFFFFFF;

int Fail(const QString& path, const char* why) {
  std::fprintf(stderr, "ondrel-thumbnailer: %s: %s\n", qPrintable(path), why);
  return 1;
}

int Usage() {
  std::fprintf(stderr, "usage: ondrel-thumbnailer -s SIZE INPUT OUTPUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ondrel::IgnoreFileSizeSignal();
  if (argc != 5 || qstrcmp(argv[1], "-s") != 0) return Usage();
  bool ok = false;
  const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
  if (!ok || size < 1 || size > 4096) return Usage();
  const QString input = QString::fromLocal8Bit(argv[3]);
  const QString output = QString::fromLocal8Bit(argv[4]);

  QFile in(input);
  if (!in.open(QIODevice::ReadOnly)) return Fail(input, "cannot open the file");
  if (in.size() > kMaxFileBytes) return Fail(input, "the file is too large");
  // Other files carry the name too (GTK Blueprint sources are *.blp): refused on their first
  // bytes, before anything is read whole.
  const QByteArray head = in.peek(4);
  if (!ondrel::texture::HasBlpSignature({reinterpret_cast<const std::uint8_t*>(head.constData()),
                                         std::size_t(head.size())}) &&
      head != "DDS " && !input.endsWith(QLatin1String(".tga"), Qt::CaseInsensitive))
    return Fail(input, "not a BLP texture");
  const QByteArray file = in.readAll();
  in.close();

  QImage thumbnail;
  try {
    const auto texture = ondrel::texture::BlpTexture::Open(
        {reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())});
    if (texture) {
      thumbnail = ondrel::MakeThumbnail(*texture, size);
    } else if (auto other = ondrel::OtherFormatThumbnail(input, file, size)) {
      thumbnail = std::move(*other);
    } else {
      return Fail(input, "not a BLP texture");
    }
  } catch (const std::exception& e) {
    return Fail(input, e.what());
  }

  QImageWriter writer(output, "png");
  if (!writer.write(thumbnail)) {
    QFile::remove(output);
    return Fail(output, qPrintable(writer.errorString()));
  }
  return 0;
}
