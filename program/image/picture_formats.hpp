// The one table of picture formats: extension, description, image class, loader and saver of
// each extension, in the order of the extension list. The open dispatcher, the folder scans
// and the picture-format registry all read it, so they cannot disagree. Five rows are the
// registered image classes; PNG is read and written by the PNG codec and has no class.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <variant>

#include "bitmap.hpp"
#include "file_format_options.hpp"
#include "om_blp.hpp"
#include "om_bmp.hpp"
#include "om_dds.hpp"
#include "om_jpg.hpp"
#include "om_tga.hpp"
#include "png_codec.hpp"

namespace ondrel {

// What a loader reports for the information panel; monostate when nothing was loaded.
using ImageFacts = std::variant<std::monostate, BlpFacts, TgaFacts, JpegFacts, DdsFacts, PngFacts, BmpFacts>;

// Reads one file into the target (an empty 0 x 0 bitmap when its class does not recognise
// the file) and returns its facts; the mipmap index matters to BLP only. Errors throw.
using PictureLoader = ImageFacts (*)(const QString& fileName, TBitmap& target, std::uint8_t mipmapIndex);
// Writes the bitmap with the options; the alpha flag matters to BLP only. ".blp" writes BLP1.
using PictureSaver = void (*)(const QString& fileName, const TBitmap& source,
                              const FileFormatOptions& options, bool imageHasAlpha);

struct PictureFormat {
  const char* extension;    // with its dot, lower case
  const char* description;
  std::unique_ptr<TBitmap> (*create)();  // the registered image class; nullptr for PNG
  PictureLoader load;
  PictureSaver save;
};

// The seven rows: ".bmp", ".tga", ".blp", ".jpg", ".jpeg", ".png", ".dds".
std::span<const PictureFormat> PictureFormats();

// The row of a file name's extension (case-insensitive), or nullptr.
const PictureFormat* FindPictureFormat(const QString& fileName);

// The extensions of the table, in its order: the extension list of dispatch, folder scans
// and the file lists.
const std::array<QString, 7>& ImageExtensions();

}  // namespace ondrel
