// The seven formats a batch can write, in the converter's destination order, with their
// names on the command line and the extension of the files they produce.
#pragma once

#include <QString>

#include <optional>

namespace ondrel::batch {

enum class TargetFormat { Bmp, Tga, Blp1, Blp2, Jpg, Png, Dds };

// "bmp", "tga", "blp1", "blp2", "jpg", "png", "dds".
QString TargetFormatName(TargetFormat format);

// ".bmp", ".tga", ".blp" (both versions), ".jpg", ".png", ".dds".
QString TargetExtension(TargetFormat format);

// The format of a name as TargetFormatName writes it (case-insensitive; "jpeg" for JPG too).
std::optional<TargetFormat> TargetFormatFromName(const QString& name);

// The format a file name's extension asks for; ".blp" alone does not tell BLP1 from BLP2,
// so it gives nothing here.
std::optional<TargetFormat> TargetFormatFromExtension(const QString& fileName);

}  // namespace ondrel::batch
