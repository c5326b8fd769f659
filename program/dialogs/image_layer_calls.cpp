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

void SaveInConverterFormat(const QString& fileName, const TBitmap& picture, int destFormat,
                           std::uint8_t alphaTreatment, bool imageHasAlpha,
                           const FileFormatOptions& options) {
  // Converter order BMP, TGA, BLP1, BLP2, JPG, PNG, DDS in the options window's order.
  static constexpr int kOptionsFormat[] = {6, 3, 0, 1, 5, 4, 2};
  if (destFormat < 0 || destFormat > 6) throw std::invalid_argument("no such destination format");
  SaveInOptionsFormat(fileName, picture, kOptionsFormat[destFormat], alphaTreatment, imageHasAlpha, options);
}

LoadOutcome LoadForConversion(const QString& fileName, TBitmap& target) {
  bool failed = false;
  target.clear();
  OpenImage(fileName, target, OpenOptions{}, [&failed](const QString&) { failed = true; });
  if (failed) return LoadOutcome::Failed;
  return target.empty() ? LoadOutcome::NothingLoaded : LoadOutcome::Loaded;
}

}  // namespace ondrel::dialogs
