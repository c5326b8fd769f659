// The dialogs' one door into the image layer: saving a picture in a format of the options
// window or the converter, loading one file for the converter, and the optimizer's steps.
// Keeping every call here means a change of the image layer's names touches one file.
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

// The same in the converter's destination order: BMP, TGA, BLP1, BLP2, JPG, PNG, DDS.
void SaveInConverterFormat(const QString& fileName, const TBitmap& picture, int destFormat,
                           std::uint8_t alphaTreatment, bool imageHasAlpha,
                           const FileFormatOptions& options);

enum class LoadOutcome {
  Loaded,
  Failed,        // a load error: the converter shows its box
  NothingLoaded  // no error, but no picture either (a file its loader does not recognise)
};

// Loads mipmap 0 of any supported file with every viewer option off.
LoadOutcome LoadForConversion(const QString& fileName, TBitmap& target);

}  // namespace ondrel::dialogs
