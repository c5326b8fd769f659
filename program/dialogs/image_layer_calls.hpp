// The save-options window's door into the image layer: saving the viewer's picture in one of
// its formats. (The converter goes through the batch engine.)
#pragma once

#include <QString>

#include <cstdint>

#include "bitmap.hpp"
#include "file_format_options.hpp"

namespace ondrel::dialogs {

// The formats in the options window's order: BLP1, BLP2, DDS, TGA, PNG, JPG, BMP.
// Applies the alpha treatment to a copy and saves it; errors throw, an existing file survives.
void SaveInOptionsFormat(const QString& fileName, const TBitmap& picture, int formatIndex,
                         std::uint8_t alphaTreatment, bool imageHasAlpha,
                         const FileFormatOptions& options);

}  // namespace ondrel::dialogs
