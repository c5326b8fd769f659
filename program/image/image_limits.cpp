#include "image_limits.hpp"

#include <string>

#include "file_read.hpp"

namespace ondrel {

void RequireImageFits(const char* format, std::uint64_t width, std::uint64_t height,
                      std::uint64_t fileSize, std::uint64_t minimumFileBytes) {
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
    throw ImageLoadError(std::string("The ") + format + " image claims " + std::to_string(width) +
                         " x " + std::to_string(height) +
                         " pixels, more than this program opens (16384 x 16384).");
  if (minimumFileBytes > fileSize)
    throw ImageLoadError(std::string("The ") + format +
                         " file is too short for the image size its header claims.");
}

QByteArray ReadWholeStream(QIODevice& stream) {
  if (!stream.seek(0)) throw ImageLoadError("The file cannot be read.");
  const qint64 size = stream.size();
  if (size < 0 || std::uint64_t(size) > kMaxFileBytes)
    throw ImageLoadError("The file is larger than 1.5 GiB, more than any image this program opens.");
  // Never readAll: it would follow a device that grows, however far.
  QByteArray bytes = stream.read(size);
  if (bytes.size() != size) throw ImageLoadError("The file cannot be read to its end.");
  return bytes;
}

QByteArray ReadExactly(QIODevice& stream, qint64 n, const char* what) {
  QByteArray bytes = stream.read(n);
  if (bytes.size() != n) throw ImageLoadError(std::string("The file ends inside its ") + what + ".");
  return bytes;
}

}  // namespace ondrel
