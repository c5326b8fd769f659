#include "picture_formats.hpp"

#include "UnitBLPImageUtils.hpp"
#include "file_lists.hpp"

namespace ondrel {
namespace {

template <typename T>
std::unique_ptr<TBitmap> Make() {
  return std::make_unique<T>();
}

// Loaders and savers with the table's uniform signatures.
template <auto Load>
ImageFacts LoadAny(const QString& fileName, TBitmap& target, std::uint8_t) {
  return Load(fileName, target);
}
ImageFacts LoadBlp(const QString& fileName, TBitmap& target, std::uint8_t mipmapIndex) {
  return LoadBlpImage(fileName, target, mipmapIndex);
}
template <auto Save>
void SaveWithOptions(const QString& fileName, const TBitmap& source, const FileFormatOptions& options, bool) {
  Save(fileName, source, options);
}
void SaveBlp1(const QString& fileName, const TBitmap& source, const FileFormatOptions& options,
              bool imageHasAlpha) {
  SaveBlpImage(fileName, source, 0, options, imageHasAlpha);
}
void SaveBmp(const QString& fileName, const TBitmap& source, const FileFormatOptions&, bool) {
  SaveBmpImage(fileName, source);
}

constexpr PictureFormat kFormats[] = {
    {".bmp", "Bitmap", &Make<TBitmapX>, &LoadAny<&LoadBmpImage>, &SaveBmp},
    {".tga", "Targa Image", &Make<TTGABitmap>, &LoadAny<&LoadTgaImage>, &SaveWithOptions<&SaveTgaImage>},
    {".blp", "Blizzard Texture", &Make<TBLPBitmap>, &LoadBlp, &SaveBlp1},
    {".jpg", "JPEG Image", &Make<TJpegBitmap>, &LoadAny<&LoadJpegImage>, &SaveWithOptions<&SaveJpegImage>},
    {".jpeg", "JPEG Image", &Make<TJpegBitmap>, &LoadAny<&LoadJpegImage>, &SaveWithOptions<&SaveJpegImage>},
    {".png", "Portable Network Graphics", nullptr, &LoadAny<&LoadPngImage>, &SaveWithOptions<&SavePngImage>},
    {".dds", "DirectDraw Surface", &Make<TDDSBitmap>, &LoadAny<&LoadDdsImage>, &SaveWithOptions<&SaveDdsImage>},
};

}  // namespace

std::span<const PictureFormat> PictureFormats() { return kFormats; }

const PictureFormat* FindPictureFormat(const QString& fileName) {
  const QString ext = LowerExtension(fileName);
  for (const auto& f : kFormats)
    if (ext == QLatin1String(f.extension)) return &f;
  return nullptr;
}

const std::array<QString, 7>& ImageExtensions() {
  static const std::array<QString, 7> list = [] {
    std::array<QString, 7> l;
    static_assert(std::size(kFormats) == 7);
    for (std::size_t i = 0; i < l.size(); ++i) l[i] = QString::fromLatin1(kFormats[i].extension);
    return l;
  }();
  return list;
}

}  // namespace ondrel
