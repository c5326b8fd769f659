// Converting one file: load (at a chosen BLP mipmap), apply the alpha treatment, save in the
// target format with the save options. The target's folder is made when missing; nothing is
// left behind when the file fails (no target, no folder made for it).
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

#include "image_access.hpp"
#include "target_format.hpp"

namespace ondrel::batch {

struct ConversionSettings {
  TargetFormat format = TargetFormat::Blp2;
  FileFormatOptions options = DesignedSaveOptions();
  AlphaTreatment alpha = AlphaTreatment::Keep;
  std::uint8_t mipmapIndex = 0;
};

struct ConversionNotes {
  QStringList warnings;  // written all the same (a BLP1 side that is not a power of two)
};

// Throws BatchError with the reason when the file cannot be converted, or when the target is
// the source file itself (a conversion never writes over its own source).
ConversionNotes ConvertFile(const QString& source, const QString& target,
                            const ConversionSettings& settings);

}  // namespace ondrel::batch
