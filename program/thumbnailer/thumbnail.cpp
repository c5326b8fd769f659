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
  const std::uint32_t wanted = std::uint32_t(std::max(size, 1));
  for (int level = texture.levelCount() - 1; level > 0; --level) {
    const auto s = texture.levelSize(level);
    if (std::max(s.width, s.height) >= wanted) return level;
  }
  return 0;
}

QImage MakeThumbnail(const texture::BlpTexture& texture, int size, std::chrono::steady_clock::time_point deadline) {
  const int preferred = ThumbnailLevel(texture, size);
  // The preferred level first, then larger ones (scaled down), then smaller ones.
  std::vector<int> order;
  for (int level = preferred; level >= 0; --level) order.push_back(level);
  for (int level = preferred + 1; level < texture.levelCount(); ++level) order.push_back(level);

  std::string firstError;
  for (int level : order) {
    if (std::chrono::steady_clock::now() > deadline) {
      if (firstError.empty()) firstError = "out of time";
      break;
    }
    const auto buffer = texture.decodeBufferSize(level);
    if (std::uint64_t{buffer.width} * buffer.height > kThumbnailMaxPixels) {
      if (firstError.empty())
        firstError = "mipmap " + std::to_string(level) + " is larger than a thumbnail decodes (" +
                     std::to_string(buffer.width) + " x " + std::to_string(buffer.height) + ")";
      continue;
    }
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
