// The thumbnail of a BLP texture: its largest stored mipmap level that fits the requested
// size, scaled down only when no level fits. Alpha is kept.
#pragma once

#include <QImage>

#include "blp_texture.hpp"

namespace ondrel {

// The level whose sides both fit `size`, the largest such; the smallest level when none does.
int ThumbnailLevel(const texture::BlpTexture& texture, int size);

// Decodes the thumbnail level, or, should it be damaged, the nearest level that decodes.
// Throws texture::TextureError when no level decodes.
QImage MakeThumbnail(const texture::BlpTexture& texture, int size);

}  // namespace ondrel
