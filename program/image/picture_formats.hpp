// The picture-format registry: a static table of extension, description and class factory.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <span>

#include "bitmap.hpp"

namespace ondrel {

struct PictureFormat {
  const char* extension;    // without the dot, lower case
  const char* description;
  std::unique_ptr<TBitmap> (*create)();
};

std::span<const PictureFormat> PictureFormats();

// The format registered for a file name's extension (case-insensitive), or nullptr.
const PictureFormat* FindPictureFormat(const QString& fileName);

}  // namespace ondrel
