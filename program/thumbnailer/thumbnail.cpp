#include "thumbnail.hpp"

#include <algorithm>
#include <vector>

#include "texture_image.hpp"

namespace ondrel {
namespace {

QImage ToImage(const texture::Pixels& pixels, bool alpha) {
  QImage image(int(pixels.size.width), int(pixels.size.height),
               alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull()) throw texture::TextureError("out of memory for the thumbnail");
  texture::CopyPixels(pixels, image);
  return image;
}

}  // namespace

int ThumbnailLevel(const texture::BlpTexture& texture, int size) {
  const std::uint32_t limit = std::uint32_t(std::max(size, 1));
  for (int level = 0; level < texture.levelCount(); ++level) {
    const auto s = texture.levelSize(level);
    if (s.width <= limit && s.height <= limit) return level;
  }
  return texture.levelCount() - 1;
}

QImage MakeThumbnail(const texture::BlpTexture& texture, int size) {
  const int preferred = ThumbnailLevel(texture, size);
  // The preferred level first, then larger ones (scaled down), then smaller ones.
  std::vector<int> order;
  for (int level = preferred; level >= 0; --level) order.push_back(level);
  for (int level = preferred + 1; level < texture.levelCount(); ++level) order.push_back(level);

  std::string firstError;
  for (int level : order) {
    try {
      QImage image = ToImage(texture.decode(level), texture.hasAlpha());
      if (image.width() > size || image.height() > size)
        image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      return image;
    } catch (const texture::TextureError& e) {
      if (firstError.empty()) firstError = e.what();
    }
  }
  throw texture::TextureError(firstError);
}

}  // namespace ondrel
