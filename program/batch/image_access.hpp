// The batch engine's one door into the image layer: loading a file with its facts, saving in
// one of the seven target formats, the alpha treatment, folder listing and the BLP1 optimizer
// steps. Every failure leaves here as a BatchError whose message says why, in the words of
// the library or the image layer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>

#include "bitmap.hpp"
#include "file_format_options.hpp"
#include "image_info.hpp"
#include "target_format.hpp"

namespace ondrel::batch {

using ondrel::FileFormatOptions;
using ondrel::TBitmap;

class BatchError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The five alpha treatments applied before a save.
enum class AlphaTreatment : std::uint8_t { Keep = 0, Opaque = 1, Remove = 2, Auto = 3, Border = 4 };

struct LoadedPicture {
  TBitmap bitmap;  // 24-bit or 32-bit, never empty
  ImageInfo info;
};

// Loads any supported file by its extension; for BLP files the level `mipmapIndex`.
LoadedPicture LoadPicture(const QString& path, std::uint8_t mipmapIndex);

// Applies the treatment in place; returns whether the picture counts as having alpha.
bool ApplyAlpha(TBitmap& picture, AlphaTreatment treatment);

// Writes the picture atomically (an existing file survives a failure).
void SavePicture(const QString& path, const TBitmap& picture, TargetFormat format,
                 const FileFormatOptions& options, bool imageHasAlpha);

// The values the save-options window is designed with.
FileFormatOptions DesignedSaveOptions();

// The lower-cased extension with its dot, of the file name part ("" without one).
QString ExtensionOf(const QString& fileName);

// The files of `folder` (ending in "/") with that extension; with recurse, of its real
// subfolders too (no symbolic links, no hidden folders).
QStringList ListFiles(const QString& folder, const QString& extension, bool recurse);

// The image extensions in the order folder scans use: .bmp .tga .blp .jpg .jpeg .png .dds.
QStringList ImageExtensionList();

// The optimizer's classification: 0 BLP1 JPEG, 1 BLP1 paletted, 255 not BLP1, else the
// BLP1 compression byte.
std::uint8_t ClassifyForOptimization(const QString& path);

// The optimizer's two rewrites of a file image in memory, and the whole-file read and atomic
// in-place rewrite around them (a file of several hard links is refused).
QByteArray OptimizedJpegBlp(const QByteArray& file);
QByteArray ResavedPalettedBlp(const QByteArray& file, const QString& name);
QByteArray ReadWholeFile(const QString& path);
void WriteFileAtomically(const QString& path, const QByteArray& bytes);
void RewriteFileInPlace(const QString& path, const QByteArray& bytes);

// Whether both names lead to one existing file (same device and inode, through links).
bool IsSameFile(const QString& a, const QString& b);

}  // namespace ondrel::batch
