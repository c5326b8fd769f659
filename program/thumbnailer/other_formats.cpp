#include "other_formats.hpp"

#include <QBuffer>

#include <memory>

#include "image_errors.hpp"
#include "om_dds.hpp"
#include "om_tga.hpp"

namespace ondrel {

std::optional<QImage> OtherFormatThumbnail(const QString& path, const QByteArray& file, int size) {
  std::unique_ptr<TBitmap> bitmap;
  if (file.startsWith("DDS "))
    bitmap = std::make_unique<TDDSBitmap>();
  else if (path.endsWith(QLatin1String(".tga"), Qt::CaseInsensitive))
    bitmap = std::make_unique<TTGABitmap>();
  else
    return std::nullopt;

  QBuffer buffer;
  buffer.setData(file);
  buffer.open(QIODevice::ReadOnly);
  bitmap->LoadFromStream(buffer);
  if (bitmap->empty()) throw ImageLoadError("the file holds no image");
  QImage image = bitmap->image();
  if (image.width() > size || image.height() > size)
    image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

}  // namespace ondrel
