#include "image_limits.hpp"

namespace ondrel {

void RequireImageFits(const char* format, std::uint64_t width, std::uint64_t height,
                      std::uint64_t fileSize, std::uint64_t minimumFileBytes) {
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
    throw ImageLoadError(std::string(format) + ": image size " + std::to_string(width) + " x " +
                         std::to_string(height) + " is beyond the limit");
  if (minimumFileBytes > fileSize)
    throw ImageLoadError(std::string(format) + ": the file is too short for its image size");
}

QByteArray ReadWholeStream(QIODevice& stream) {
  if (!stream.seek(0)) throw ImageLoadError("cannot read the file");
  const qint64 size = stream.size();
  if (size < 0 || size > 0x7FFFFFFF) throw ImageLoadError("the file is too large");
  QByteArray bytes = stream.readAll();
  if (bytes.size() != size) throw ImageLoadError("cannot read the whole file");
  return bytes;
}

QByteArray ReadExactly(QIODevice& stream, qint64 n, const char* what) {
  QByteArray bytes = stream.read(n);
  if (bytes.size() != n)
    throw ImageLoadError(std::string("the file ends inside its ") + what);
  return bytes;
}

}  // namespace ondrel
