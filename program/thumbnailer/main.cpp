// ondrel-thumbnailer -s SIZE INPUT OUTPUT: the PNG thumbnail of a BLP texture (or of a DDS or
// TGA image), for freedesktop file managers. Needs no display; reads only INPUT and writes only
// OUTPUT. Exit status 0 on success, 1 for a file it cannot thumbnail, 2 for a wrong command
// line. A file manager runs it on whatever it finds: only regular files are read, and the
// process ends itself after kCpuSeconds of work.
#include <QFile>
#include <QImageWriter>
#include <QString>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <span>

#include "file_read.hpp"
#include "file_size_signal.hpp"
#include "other_formats.hpp"
#include "thumbnail.hpp"

namespace {

// SIGXCPU ends the process past this much processor time, whatever it is doing.
constexpr rlim_t kCpuSeconds = 20;
// No further level is tried after this long.
constexpr std::chrono::seconds kLevelDeadline{10};

void LimitProcessorTime() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_CPU, &limit) != 0) return;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < kCpuSeconds) return;
  limit.rlim_cur = kCpuSeconds;
  ::setrlimit(RLIMIT_CPU, &limit);
}

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
  LimitProcessorTime();
  const auto deadline = std::chrono::steady_clock::now() + kLevelDeadline;
  if (argc != 5 || qstrcmp(argv[1], "-s") != 0) return Usage();
  bool ok = false;
  const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
  if (!ok || size < 1 || size > 4096) return Usage();
  const QString input = QString::fromLocal8Bit(argv[3]);
  const QString output = QString::fromLocal8Bit(argv[4]);

  QByteArray file;
  try {
    // Other files carry the name too (GTK Blueprint sources are *.blp): refused on their first
    // bytes, before anything is read whole.
    const QByteArray head = ondrel::ReadFileHead(input, 4);
    if (!ondrel::texture::HasBlpSignature({reinterpret_cast<const std::uint8_t*>(head.constData()),
                                           std::size_t(head.size())}) &&
        head != "DDS " && !input.endsWith(QLatin1String(".tga"), Qt::CaseInsensitive))
      return Fail(input, "not a BLP texture");
    file = ondrel::ReadWholeFile(input);
  } catch (const ondrel::FileError& e) {
    return Fail(input, e.what());
  }

  QImage thumbnail;
  try {
    const auto texture = ondrel::texture::BlpTexture::Open(
        {reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())});
    if (texture) {
      thumbnail = ondrel::MakeThumbnail(*texture, size, deadline);
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
