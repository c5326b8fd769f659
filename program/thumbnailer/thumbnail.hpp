// The thumbnail of a BLP texture: its smallest stored mipmap level that covers the requested
// size, scaled down to fit it. Alpha is kept. Levels beyond a pixel cap are never decoded,
// and no further level is tried once a deadline has passed.
#pragma once

#include <QImage>

#include <chrono>
#include <cstdint>

#include "blp_texture.hpp"

namespace ondrel {

// 4096 x 4096: the decoder's buffer stays at 64 MiB, however large the header says level 0 is.
inline constexpr std::uint64_t kThumbnailMaxPixels = 4096ull * 4096ull;

// The smallest level whose larger side reaches `size`; level 0 when none does.
int ThumbnailLevel(const texture::BlpTexture& texture, int size);

// Decodes the thumbnail level, or, should it be damaged or beyond the cap, the nearest level
// that decodes: larger ones first, then smaller. Throws texture::TextureError when no level
// decodes within the cap before `deadline`.
QImage MakeThumbnail(const texture::BlpTexture& texture, int size,
                     std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

}  // namespace ondrel
