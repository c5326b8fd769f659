#include "UnitBLPImageUtils.hpp"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#include "atomic_file.hpp"
#include "file_lists.hpp"
#include "file_read.hpp"
#include "image_limits.hpp"

namespace ondrel {
namespace {

// Opens the file read-only (a regular file only, without waiting) and lets the image object
// read it; the target takes its result.
void LoadThrough(TBitmap& object, const QString& fileName, TBitmap& target) {
  QFile file;
  OpenRegularFile(fileName, file);
  object.LoadFromStream(file);
  target.assign(object);
}

// Encodes through the image object, then replaces the file in one rename; the library's block
// goes to the file as it is.
void SaveThrough(TBitmap& object, const QString& fileName) {
  const EncodedFile encoded = object.Encode();
  WriteFileAtomically(fileName, encoded.bytes());
}

}  // namespace

BlpFacts LoadBlpImage(const QString& fileName, TBitmap& target, std::uint8_t mipmapIndex) {
  TBLPBitmap blp;
  blp.MipmapIndex = mipmapIndex;
  LoadThrough(blp, fileName, target);
  return blp.facts();
}

TgaFacts LoadTgaImage(const QString& fileName, TBitmap& target) {
  TTGABitmap tga;
  LoadThrough(tga, fileName, target);
  return tga.facts();
}

JpegFacts LoadJpegImage(const QString& fileName, TBitmap& target) {
  TJpegBitmap jpeg;
  LoadThrough(jpeg, fileName, target);
  return jpeg.facts();
}

BmpFacts LoadBmpImage(const QString& fileName, TBitmap& target) {
  TBitmapX bmp;
  LoadThrough(bmp, fileName, target);
  return {};
}

DdsFacts LoadDdsImage(const QString& fileName, TBitmap& target) {
  TDDSBitmap dds;
  LoadThrough(dds, fileName, target);
  return dds.facts();
}

PngFacts LoadPngImage(const QString& fileName, TBitmap& target) {
  return DecodePng(ReadWholeFile(fileName), target);
}

OpenResult OpenImage(const QString& fileName, TBitmap& target, const OpenOptions& options,
                     const LoadErrorReporter& reportError) {
  OpenResult result;
  const PictureFormat* format = FindPictureFormat(fileName);
  TBitmap loaded(target);
  try {
    if (format != nullptr) result.facts = format->load(fileName, loaded, options.mipmapIndex);
  } catch (const std::exception& error) {
    // Every load failure, the library's included, ends in the one message; the previous
    // image stays.
    if (reportError) reportError(QFileInfo(fileName).fileName());
    result.failed = true;
    result.failure = DescribeLoadError(error);
    result.failure.claimed = FormatNameOfExtension(LowerExtension(fileName));
    result.facts = std::monostate{};
    return result;
  }
  target.assign(loaded);
  if (target.pixelFormat() == PixelFormat::Other) target.setPixelFormat(PixelFormat::Bit24);
  if (options.showInfo) {
    result.imageHasAlpha = target.pixelFormat() == PixelFormat::Bit32;
    result.fillMipmapList = options.fillMipmapList;
  } else {
    result.facts = std::monostate{};
  }
  if (options.rescanFolder) {
    const QString folder = WithTrailingBackslash(QFileInfo(fileName).path());
    for (const QString& e : ImageExtensions()) ListFilesByExtension(folder, e, false, result.folderFiles);
    const QString current = folder + QFileInfo(fileName).fileName();
    result.position = int(result.folderFiles.indexOf(current)) + 1;
  }
  return result;
}

void SaveBlpImage(const QString& fileName, const TBitmap& source, int version,
                  const FileFormatOptions& options, bool imageHasAlpha) {
  std::uint8_t b[8];
  if (version == 0)
    std::memcpy(b, &options.blp1, 8);
  else
    std::memcpy(b, &options.blp2, 8);
  // BLP2 has no JPEG kind: a settings file whose first BLP2 byte says 0 must not turn a BLP2
  // save into a BLP1 of whatever quality the encoding byte happens to hold.
  if (version == 1) b[0] = 1;
  TBLPBitmap blp;
  blp.assign(source);
  blp.Compression = b[0];
  if (b[0] != 0) {
    blp.SaveColorsOrQuality = b[1] + 1u;
    blp.SaveFlagA = b[3] == 1;
    blp.SaveFlagB = b[4] == 1;
    if (version == 1) {
      blp.Signature = kSignatureBlp2;
      blp.Encoding = b[2];
      if (b[2] == 2) blp.SaveFlagB = b[5] == 1;
    } else {
      blp.Signature = kSignatureBlp1;
    }
  } else {
    blp.Signature = kSignatureBlp1;
    blp.SaveColorsOrQuality = b[2];
    blp.SaveFlagA = b[5] == 1;
    blp.SaveFlagB = b[6] == 1;
  }
  blp.SaveMipmapsMinus1 = b[7];
  blp.HasAlpha = imageHasAlpha;
  SaveThrough(blp, fileName);
}

void SaveTgaImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options) {
  const TgaOptions& o = options.tga;
  TTGABitmap tga;
  tga.assign(source);
  tga.Paletted = o.TgaPaletted == 1;
  tga.Colors = std::uint16_t(o.TgaColorsMinus1 + 1);
  tga.CompressPalette = o.TgaCompressPalette == 1;
  tga.ErrorDiffusion = o.TgaErrorDiffusion == 1;
  tga.TopLeft = o.TgaTopLeft == 1;
  tga.Rle = o.TgaRle == 1;
  tga.Override = o.TgaOverride == 1;
  SaveThrough(tga, fileName);
}

void SaveJpegImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options) {
  TJpegBitmap jpeg;
  jpeg.assign(source);
  jpeg.Quality = options.jpg.JpgQuality;
  jpeg.Progressive = options.jpg.JpgProgressive == 1;
  SaveThrough(jpeg, fileName);
}

void SaveBmpImage(const QString& fileName, const TBitmap& source) {
  TBitmapX bmp;
  bmp.assign(source);
  SaveThrough(bmp, fileName);
}

void SaveDdsImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options) {
  TDDSBitmap dds;
  dds.assign(source);
  dds.Compressed = options.dds.DdsCompressed == 1;
  dds.ErrorDiffusion = options.dds.DdsErrorDiffusion == 1;
  dds.MipmapsMinus1 = options.dds.DdsMipmapsMinus1;
  SaveThrough(dds, fileName);
}

void SavePngImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options) {
  const PngOptions& o = options.png;
  PngWriteOptions w;
  w.compression = o.PngCompression;
  w.filterSub = o.PngFilterSub == 1;
  w.filterUp = o.PngFilterUp == 1;
  w.filterAverage = o.PngFilterAverage == 1;
  w.filterPaeth = o.PngFilterPaeth == 1;
  WriteFileAtomically(fileName, EncodePng(source, w));
}

}  // namespace ondrel
