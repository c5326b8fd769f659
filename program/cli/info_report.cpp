#include "info_report.hpp"

#include <QJsonArray>

namespace ondrel::cli {
namespace {

QString CompressionText(const QString& c) {
  if (c == "jpeg") return "JPEG";
  if (c == "dxt") return "DXT";
  if (c == "rle") return "run-length";
  return c;
}

QString PictureTypeText(const QString& t) {
  if (t.startsWith("dxt")) return t.toUpper().replace("ALPHA ENCODING", "alpha encoding");
  if (t == "baseline") return "baseline JPEG";
  if (t == "progressive") return "progressive JPEG";
  return t;
}

void Row(QString& out, const char* caption, const QString& value) {
  out += QString("  %1 %2\n").arg(QString(caption) + ':', -14).arg(value);
}

template <typename T>
QJsonValue Maybe(const std::optional<T>& v) {
  if (!v) return QJsonValue::Null;
  if constexpr (std::is_same_v<T, QString>)
    return *v;
  else
    return QJsonValue(qint64(*v));
}

}  // namespace

QString InfoText(const QString& file, const batch::ImageInfo& info) {
  QString out = file + '\n';
  if (!info.signature.isEmpty()) {
    Row(out, "Signature", info.signature);
    Row(out, "Compression", CompressionText(info.compression));
    Row(out, "Picture type", PictureTypeText(info.pictureType));
  } else {
    Row(out, "Format", info.format.toUpper());
  }
  if (info.alphaBits)
    Row(out, "Alpha", QString("%1 bits%2").arg(*info.alphaBits).arg(info.alphaUnusual ? " (unusual)" : ""));
  if (info.headerSize) Row(out, "Header size", QString("%1 bytes").arg(*info.headerSize));
  if (info.origin) Row(out, "Origin", *info.origin);
  if (info.hasQuality) Row(out, "Quality", info.quality ? QString("%1 %").arg(*info.quality) : "not recognised");
  if (info.colors) Row(out, "Colours", QString::number(*info.colors));
  Row(out, "Size", QString("%1 x %2, %3-bit%4")
                       .arg(info.width)
                       .arg(info.height)
                       .arg(info.bitsPerPixel)
                       .arg(info.blp ? QString(" (mipmap %1)").arg(info.level) : QString()));
  Row(out, "File size", QString("%1 bytes").arg(info.fileSize));
  if (info.mipmapCount) {
    if (info.irregularMipmaps)
      Row(out, "Mipmaps", QString("%1 (irregular: %2)").arg(*info.mipmapCount).arg(*info.irregularMipmaps));
    else
      Row(out, "Mipmaps", QString::number(*info.mipmapCount));
  }
  if (!info.mipmaps.empty()) {
    out += QString("     # | %1 | %2\n").arg("Offset", -6).arg("Size");
    for (const batch::MipmapEntry& m : info.mipmaps)
      out += QString("    %1 | %2 | %3 %4\n")
                 .arg(m.index, 2)
                 .arg(m.offset, -6)
                 .arg(m.size, -7)
                 .arg(m.regular ? "regular" : "irregular");
  }
  return out;
}

QJsonObject InfoJson(const QString& file, const batch::ImageInfo& info) {
  QJsonObject o;
  o["file"] = file;
  o["error"] = QJsonValue::Null;
  o["format"] = info.format;
  o["width"] = info.width;
  o["height"] = info.height;
  o["bits_per_pixel"] = info.bitsPerPixel;
  o["file_size"] = qint64(info.fileSize);
  o["level"] = info.level;
  o["signature"] = info.signature.isEmpty() ? QJsonValue::Null : QJsonValue(info.signature);
  o["compression"] = info.compression.isEmpty() ? QJsonValue::Null : QJsonValue(info.compression);
  o["picture_type"] = info.pictureType.isEmpty() ? QJsonValue::Null : QJsonValue(info.pictureType);
  o["alpha_bits"] = Maybe(info.alphaBits);
  o["alpha_unusual"] = info.alphaUnusual;
  o["header_size"] = Maybe(info.headerSize);
  o["origin"] = Maybe(info.origin);
  o["quality"] = Maybe(info.quality);
  o["colors"] = Maybe(info.colors);
  o["mipmap_count"] = Maybe(info.mipmapCount);
  o["irregular_mipmaps"] = Maybe(info.irregularMipmaps);
  QJsonArray mipmaps;
  for (const batch::MipmapEntry& m : info.mipmaps)
    mipmaps.append(QJsonObject{{"index", m.index},
                               {"offset", qint64(m.offset)},
                               {"size", qint64(m.size)},
                               {"regular", m.regular}});
  o["mipmaps"] = mipmaps;
  if (info.blp) {
    const batch::BlpHeaderFields& b = *info.blp;
    o["blp"] = QJsonObject{{"compression", qint64(b.compression)},
                           {"alpha_bits", qint64(b.alphaBits)},
                           {"picture_type", qint64(b.pictureType)},
                           {"encoding", b.encoding},
                           {"alpha_depth", b.alphaDepth},
                           {"alpha_encoding", b.alphaEncoding},
                           {"width", qint64(b.width)},
                           {"height", qint64(b.height)}};
  } else {
    o["blp"] = QJsonValue::Null;
  }
  return o;
}

QJsonObject InfoErrorJson(const QString& file, const QString& error) {
  return QJsonObject{{"file", file}, {"error", error}};
}

}  // namespace ondrel::cli
