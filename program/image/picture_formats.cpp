#include "picture_formats.hpp"

#include "file_lists.hpp"
#include "om_blp.hpp"
#include "om_bmp.hpp"
#include "om_dds.hpp"
#include "om_jpg.hpp"
#include "om_tga.hpp"

namespace ondrel {
namespace {

template <typename T>
std::unique_ptr<TBitmap> Make() {
  return std::make_unique<T>();
}

constexpr PictureFormat kFormats[] = {
    {"blp", "Blizzard Texture", &Make<TBLPBitmap>},
    {"jpeg", "JPEG Image", &Make<TJpegBitmap>},
    {"jpg", "JPEG Image", &Make<TJpegBitmap>},
    {"tga", "Targa Image", &Make<TTGABitmap>},
    {"bmp", "Bitmap", &Make<TBitmapX>},
    {"dds", "DirectDraw Surface", &Make<TDDSBitmap>},
};

}  // namespace

std::span<const PictureFormat> PictureFormats() { return kFormats; }

const PictureFormat* FindPictureFormat(const QString& fileName) {
  const QString ext = LowerExtension(fileName);
  for (const auto& f : kFormats)
    if (ext == QString('.') + f.extension) return &f;
  return nullptr;
}

}  // namespace ondrel
