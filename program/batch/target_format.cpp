#include "target_format.hpp"

#include <array>

#include "image_access.hpp"

namespace ondrel::batch {
namespace {

struct FormatRow {
  TargetFormat format;
  const char* name;
  const char* extension;
};

constexpr std::array<FormatRow, 7> kFormats = {{
    {TargetFormat::Bmp, "bmp", ".bmp"},
    {TargetFormat::Tga, "tga", ".tga"},
    {TargetFormat::Blp1, "blp1", ".blp"},
    {TargetFormat::Blp2, "blp2", ".blp"},
    {TargetFormat::Jpg, "jpg", ".jpg"},
    {TargetFormat::Png, "png", ".png"},
    {TargetFormat::Dds, "dds", ".dds"},
}};

const FormatRow& Row(TargetFormat format) { return kFormats[std::size_t(format)]; }

}  // namespace

QString TargetFormatName(TargetFormat format) { return QString::fromLatin1(Row(format).name); }

QString TargetExtension(TargetFormat format) { return QString::fromLatin1(Row(format).extension); }

std::optional<TargetFormat> TargetFormatFromName(const QString& name) {
  const QString lower = name.toLower();
  if (lower == "jpeg") return TargetFormat::Jpg;
  for (const FormatRow& row : kFormats)
    if (lower == QLatin1String(row.name)) return row.format;
  return std::nullopt;
}

std::optional<TargetFormat> TargetFormatFromExtension(const QString& fileName) {
  const QString ext = ExtensionOf(fileName);
  if (ext == ".jpeg") return TargetFormat::Jpg;
  if (ext == ".blp") return std::nullopt;
  for (const FormatRow& row : kFormats)
    if (ext == QLatin1String(row.extension)) return row.format;
  return std::nullopt;
}

}  // namespace ondrel::batch
