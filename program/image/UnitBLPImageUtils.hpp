// The load and save dispatcher: opens a file of any supported type into a bitmap, reports
// the facts of the file, and writes a bitmap in any of the seven formats with the save
// options. Every save goes through an atomic rewrite.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include "bitmap.hpp"
#include "file_format_options.hpp"
#include "load_failure.hpp"
#include "picture_formats.hpp"

namespace ondrel {

// The loaders: each reads one file type into the target (an empty 0 x 0 bitmap when the file
// is not one its class recognises) and returns the file's facts, as the class read them.
// Errors throw (ImageError, or std::bad_alloc).
BlpFacts LoadBlpImage(const QString& fileName, TBitmap& target, std::uint8_t mipmapIndex);
TgaFacts LoadTgaImage(const QString& fileName, TBitmap& target);
JpegFacts LoadJpegImage(const QString& fileName, TBitmap& target);
BmpFacts LoadBmpImage(const QString& fileName, TBitmap& target);
DdsFacts LoadDdsImage(const QString& fileName, TBitmap& target);
PngFacts LoadPngImage(const QString& fileName, TBitmap& target);

struct OpenOptions {
  bool showInfo = false;
  bool fillMipmapList = false;
  bool rescanFolder = false;
  std::uint8_t mipmapIndex = 0;
};

struct OpenResult {
  bool failed = false;        // the load error was reported
  LoadFailure failure;        // when failed: why
  ImageFacts facts;           // with showInfo
  bool imageHasAlpha = false; // with showInfo: the target is 32-bit
  bool fillMipmapList = false;
  QStringList folderFiles;    // with rescanFolder: the folder's images, grouped by extension
  int position = 0;           // 1-based index of the file in folderFiles, 0 when absent
};

// Shows the one load-error message; gets the file name without its folder.
using LoadErrorReporter = std::function<void(const QString& fileNameWithoutFolder)>;

// Chooses the loader by the lower-cased extension from the format table; an unknown extension
// loads nothing. A load error is handed to `reportError` (when set) and leaves the target as
// it was; the result says why it failed.
OpenResult OpenImage(const QString& fileName, TBitmap& target, const OpenOptions& options,
                     const LoadErrorReporter& reportError);

// The savers: each writes the bitmap with its block of the options; the caller's bitmap is
// not changed. Version 0 writes BLP1, 1 BLP2. Errors throw (ImageError, or std::bad_alloc);
// an existing file survives them.
void SaveBlpImage(const QString& fileName, const TBitmap& source, int version,
                  const FileFormatOptions& options, bool imageHasAlpha);
void SaveTgaImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options);
void SaveJpegImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options);
void SaveBmpImage(const QString& fileName, const TBitmap& source);
void SaveDdsImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options);
void SavePngImage(const QString& fileName, const TBitmap& source, const FileFormatOptions& options);

}  // namespace ondrel
