// Bitmap utilities of the viewer and the savers: the alpha treatment applied before a save,
// the colour count, and the two alpha views.
#pragma once

#include <cstdint>

#include "bitmap.hpp"

namespace ondrel {

// Alpha treatment 0..4: leave, add opaque alpha, remove alpha, decide from the alpha values,
// transparent one-pixel border. Applies it in place and returns the new ImageHasAlpha; values
// above 4 change nothing and return `imageHasAlpha` unchanged.
bool ApplyAlphaTreatment(TBitmap& bitmap, std::uint8_t treatment, bool imageHasAlpha);

// Distinct (red, green, blue) triples; alpha ignored.
std::uint32_t CountColors(const TBitmap& bitmap);

// 32-bit bitmap: blue = green = red = alpha.
void ShowAlphaAsGrey(TBitmap& bitmap);

// 32-bit bitmap: blended over a checkerboard of 8 x 8 cells of grey 192 and 255 (192 at the
// top-left); alpha becomes 255.
void CompositeOnChecker(TBitmap& bitmap);

}  // namespace ondrel
