// The only file of the batch engine that calls the image layer.
#include "image_access.hpp"

#include <QFileInfo>

#include <optional>

#include "ImgUtils.hpp"
#include "UnitBLPImageUtils.hpp"
#include "atomic_file.hpp"
#include "file_read.hpp"
#include "blp1_files.hpp"
#include "blp1_header.hpp"
#include "blp_level_list.hpp"
#include "file_lists.hpp"
#include "om_blp.hpp"

namespace ondrel::batch {
namespace {

// Runs an image-layer call and turns whatever it throws into a BatchError with its message.
template <typename F>
auto Translated(F&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const BatchError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw BatchError("out of memory");
  } catch (const std::exception& e) {
    throw BatchError(e.what());
  } catch (...) {
    throw BatchError("unexpected error");
  }
}

void DescribeBlp(const ondrel::BlpFacts& f, ImageInfo& info) {
  const bool v1 = f.isBlp1();
  const std::uint32_t width = f.Width, height = f.Height;
  BlpHeaderFields raw;
  raw.compression = f.Compression;
  raw.alphaBits = f.AlphaBits;
  raw.pictureType = f.PictureType;
  raw.encoding = f.Encoding;
  raw.alphaDepth = f.AlphaDepth;
  raw.alphaEncoding = f.AlphaEncoding;
  raw.width = width;
  raw.height = height;
  info.blp = raw;
  info.format = v1 ? "blp1" : "blp2";
  info.signature = v1 ? "BLP1" : "BLP2";
  info.headerSize = f.AuxSize;
  if (v1) {
    info.alphaBits = int(f.AlphaBits);
    info.alphaUnusual = f.AlphaBits != 0 && f.AlphaBits != 8;
    if (f.Compression == 0) {
      info.compression = "jpeg";
      info.pictureType = f.Progressive ? "progressive" : "baseline";
      info.hasQuality = true;
      if (f.UsedColorsOrQuality >= 1 && f.UsedColorsOrQuality <= 100) info.quality = int(f.UsedColorsOrQuality);
    } else {
      info.compression = "none";
      info.pictureType = f.PictureType > 4 ? "paletted without alpha" : "paletted with alpha";
      info.colors = int(f.UsedColorsOrQuality);
    }
  } else {
    info.alphaBits = f.AlphaDepth;
    if (f.Encoding == 2) {
      info.compression = "dxt";
      info.pictureType = f.AlphaEncoding == 0   ? "dxt1"
                         : f.AlphaEncoding == 1 ? "dxt3"
                         : f.AlphaEncoding == 7 ? "dxt5"
                                                : QString("dxt, alpha encoding %1").arg(f.AlphaEncoding);
      info.alphaUnusual = f.AlphaDepth != 0 && f.AlphaDepth != 1 && f.AlphaDepth != 4 && f.AlphaDepth != 8;
    } else if (f.Encoding == 3) {
      info.compression = "none";
      info.pictureType = "true colour";
    } else {
      info.compression = "none";
      info.pictureType = f.AlphaDepth != 0 ? "paletted with alpha" : "paletted";
    }
  }
  const int expected = ondrel::MipmapCountFor(std::uint16_t(width), std::uint16_t(height));
  int irregular = 0;
  for (const ondrel::ListedLevel& level : ondrel::ListStoredLevels(f.MipmapOffsets, f.MipmapSizes, f.FileSize, v1, expected)) {
    const auto i = std::size_t(level.index);
    info.mipmaps.push_back({level.index, f.MipmapOffsets[i], f.MipmapSizes[i], level.regular});
    irregular += level.regular ? 0 : 1;
  }
  info.mipmapCount = int(info.mipmaps.size());
  info.irregularMipmaps = irregular;
}

void DescribeTga(const ondrel::TgaFacts& f, ImageInfo& info) {
  info.format = "tga";
  info.signature = "TGA";
  info.compression = f.Rle ? "rle" : "none";
  info.pictureType = f.Paletted ? "paletted" : "true colour";
  info.alphaBits = f.AlphaBits;
  info.origin = f.TopLeft ? "top-left" : "bottom-left";
  if (f.Paletted) info.colors = f.Colors;
}

void DescribeJpeg(const ondrel::JpegFacts& f, ImageInfo& info) {
  info.format = "jpeg";
  info.signature = "JPEG";
  info.compression = "jpeg";
  info.pictureType = f.Progressive ? "progressive" : "baseline";
  info.hasQuality = true;
  if (f.Quality >= 1 && f.Quality <= 100) info.quality = f.Quality;
}

void DescribePng(const ondrel::PngFacts& f, ImageInfo& info) {
  info.format = "png";
  info.signature = "PNG";
  info.compression = f.interlaced ? "interlaced" : "none";
  info.pictureType = f.paletted ? "paletted" : "true colour";
  info.alphaBits = f.alphaBits;
}

void DescribeDds(const ondrel::DdsFacts& f, ImageInfo& info) {
  info.format = "dds";
  info.signature = "DDS";
  info.compression = f.Compressed ? "dxt" : "none";
  info.pictureType = !f.Compressed        ? "true colour"
                     : f.AlphaBits == 0 ? "dxt1"
                     : f.AlphaBits == 4 ? "dxt3"
                                        : "dxt5";
  info.alphaBits = f.AlphaBits;
  info.mipmapCount = f.MipmapCount;
}

// A level that runs past the end of the file: the decoder fills in what is missing, which
// a conversion must not pass off as the texture.
std::optional<QString> TruncatedLevel(const ondrel::BlpFacts& f, std::uint8_t level) {
  const std::uint64_t end = std::uint64_t{f.MipmapOffsets[level]} + f.MipmapSizes[level];
  if (end <= f.FileSize) return std::nullopt;
  return QString("truncated: mipmap %1 ends at byte %2, the file has %3 bytes").arg(level).arg(end).arg(f.FileSize);
}

// Why the BLP loader gave no picture although the signature is right.
QString NoBlpPicture(const ondrel::BlpFacts& f, std::uint8_t level) {
  if (f.MipmapSizes[level] == 0) return QString("the file stores no mipmap %1").arg(level);
  if (const auto truncated = TruncatedLevel(f, level)) return *truncated;
  return QString("the file holds no picture the program reads at mipmap %1").arg(level);
}

// Why a loader left the picture empty: its class did not recognise the file.
QString NotRecognised(const QString& extension) {
  if (extension == ".blp") return "not a BLP file";
  if (extension == ".tga") return "not a TGA file of 24-bit or 32-bit pixels or colour map";
  if (extension == ".jpg" || extension == ".jpeg") return "not a JPEG file with a baseline or progressive frame";
  if (extension == ".dds") return "not a DDS file";
  if (extension == ".bmp") return "not a BMP file";
  return "not an image file";
}

}  // namespace

LoadedPicture LoadPicture(const QString& path, std::uint8_t mipmapIndex) {
  const QFileInfo file(path);
  if (!file.exists()) throw BatchError("no such file");
  if (file.isDir()) throw BatchError("a folder, not a file");
  const QString ext = ExtensionOf(path);
  if (!ImageExtensionList().contains(ext))
    throw BatchError(ext.isEmpty() ? QString("no extension to tell its format").toStdString()
                                   : ("unsupported file type " + ext).toStdString());
  if (mipmapIndex != 0 && ext != ".blp") throw BatchError("only BLP files have mipmaps to choose from");
  // The header's tables have 16 entries; the reports below index them with the level.
  if (mipmapIndex > 15) throw BatchError(QString("no mipmap %1: a BLP file has mipmaps 0 to 15").arg(mipmapIndex).toStdString());

  LoadedPicture result;
  TBitmap& picture = result.bitmap;
  ImageInfo& info = result.info;
  ondrel::BlpFacts blpFacts;
  Translated([&] {
    if (ext == ".blp") {
      blpFacts = ondrel::LoadBlpImage(path, picture, mipmapIndex);
      // The loader fills in the file size only once it has recognised the signature.
      if (blpFacts.FileSize != 0) DescribeBlp(blpFacts, info);
    } else if (ext == ".tga") {
      DescribeTga(ondrel::LoadTgaImage(path, picture), info);
    } else if (ext == ".jpg" || ext == ".jpeg") {
      DescribeJpeg(ondrel::LoadJpegImage(path, picture), info);
    } else if (ext == ".png") {
      DescribePng(ondrel::LoadPngImage(path, picture), info);
    } else if (ext == ".dds") {
      DescribeDds(ondrel::LoadDdsImage(path, picture), info);
    } else {
      ondrel::LoadBmpImage(path, picture);
      info.format = "bmp";
    }
  });
  const bool blp = ext == ".blp" && blpFacts.FileSize != 0;
  if (picture.empty())
    throw BatchError((blp ? NoBlpPicture(blpFacts, mipmapIndex) : NotRecognised(ext)).toStdString());
  if (blp) {
    if (const auto truncated = TruncatedLevel(blpFacts, mipmapIndex)) throw BatchError(truncated->toStdString());
  }
  if (picture.pixelFormat() == ondrel::PixelFormat::Other) picture.setPixelFormat(ondrel::PixelFormat::Bit24);
  info.width = picture.width();
  info.height = picture.height();
  info.bitsPerPixel = picture.pixelFormat() == ondrel::PixelFormat::Bit32 ? 32 : 24;
  info.fileSize = std::uint64_t(file.size());
  info.level = mipmapIndex;
  return result;
}

bool ApplyAlpha(TBitmap& picture, AlphaTreatment treatment) {
  const bool hasAlpha = picture.pixelFormat() == ondrel::PixelFormat::Bit32;
  return Translated([&] { return ondrel::ApplyAlphaTreatment(picture, std::uint8_t(treatment), hasAlpha); });
}

void SavePicture(const QString& path, const TBitmap& picture, TargetFormat format,
                 const FileFormatOptions& options, bool imageHasAlpha) {
  Translated([&] {
    switch (format) {
      case TargetFormat::Bmp: ondrel::SaveBmpImage(path, picture); break;
      case TargetFormat::Tga: ondrel::SaveTgaImage(path, picture, options); break;
      case TargetFormat::Blp1: ondrel::SaveBlpImage(path, picture, 0, options, imageHasAlpha); break;
      case TargetFormat::Blp2: ondrel::SaveBlpImage(path, picture, 1, options, imageHasAlpha); break;
      case TargetFormat::Jpg: ondrel::SaveJpegImage(path, picture, options); break;
      case TargetFormat::Png: ondrel::SavePngImage(path, picture, options); break;
      case TargetFormat::Dds: ondrel::SaveDdsImage(path, picture, options); break;
    }
  });
}

FileFormatOptions DesignedSaveOptions() { return ondrel::DesignedFileFormatOptions(); }

QString ExtensionOf(const QString& fileName) { return ondrel::LowerExtension(fileName); }

QStringList ListFiles(const QString& folder, const QString& extension, bool recurse) {
  QStringList list;
  Translated([&] { ondrel::ListFilesByExtension(folder, extension, recurse, list); });
  return list;
}

QStringList ImageExtensionList() {
  QStringList list;
  for (const QString& e : ondrel::ImageExtensions()) list.append(e);
  return list;
}

std::uint8_t ClassifyForOptimization(const QString& path) {
  return Translated([&] { return ondrel::ClassifyForOptimization(path); });
}

QByteArray OptimizedJpegBlp(const QByteArray& file) {
  return Translated([&] { return ondrel::OptimizedJpegBlp(file); });
}

QByteArray ResavedPalettedBlp(const QByteArray& file, const QString& name) {
  return Translated([&] { return ondrel::ResavedPalettedBlp(file, name); });
}

QByteArray ReadWholeFile(const QString& path) {
  return Translated([&] { return ondrel::ReadWholeFile(path); });
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  Translated([&] { ondrel::WriteFileAtomically(path, bytes); });
}

void RewriteFileInPlace(const QString& path, const QByteArray& bytes) {
  Translated([&] { ondrel::RewriteFileInPlace(path, bytes); });
}

bool IsSameFile(const QString& a, const QString& b) { return ondrel::IsSameFile(a, b); }

}  // namespace ondrel::batch
