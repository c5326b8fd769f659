#include "resample.hpp"

namespace ormel {
void ScaleBitmap(ImageView, MutableImageView, bool) {}
void ScaleRegion(ImageView, std::uint32_t, std::uint32_t, Rect, MutableImageView, bool) {}
}  // namespace ormel
