#include "image_layer_calls.hpp"

#include "ImgUtils.hpp"
#include "UnitBLPImageUtils.hpp"

#include <stdexcept>

namespace ondrel::dialogs {

void SaveInOptionsFormat(const QString& fileName, const TBitmap& picture, int formatIndex,
                         std::uint8_t alphaTreatment, bool imageHasAlpha,
                         const FileFormatOptions& options) {
  TBitmap copy(picture);
  const bool hasAlpha = ApplyAlphaTreatment(copy, alphaTreatment, imageHasAlpha);
  switch (formatIndex) {
    case 0: SaveBlpImage(fileName, copy, 0, options, hasAlpha); break;
    case 1: SaveBlpImage(fileName, copy, 1, options, hasAlpha); break;
    case 2: SaveDdsImage(fileName, copy, options); break;
    case 3: SaveTgaImage(fileName, copy, options); break;
    case 4: SavePngImage(fileName, copy, options); break;
    case 5: SaveJpegImage(fileName, copy, options); break;
    case 6: SaveBmpImage(fileName, copy); break;
    default: throw std::invalid_argument("no such save format");
  }
}

}  // namespace ondrel::dialogs
