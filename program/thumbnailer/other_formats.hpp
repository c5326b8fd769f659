// Thumbnails of the other formats the viewer opens that no file manager draws by itself on
// Debian: DDS (told by its "DDS " signature) and TGA (no signature: told by its name). Read
// through the viewer's own image classes, so a thumbnail shows what the viewer shows.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace ondrel {

// Nothing when the file is neither DDS nor named *.tga; throws std::exception when it is one
// of them and cannot be read. Sides above `size` are scaled down, alpha is kept.
std::optional<QImage> OtherFormatThumbnail(const QString& path, const QByteArray& file, int size);

}  // namespace ondrel
