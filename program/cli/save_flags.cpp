#include "save_flags.hpp"

#include <QStringList>

#include <array>
#include <cstdint>

#include "image_access.hpp"
#include "usage_error.hpp"

namespace ondrel::cli {
namespace {

using batch::TargetFormat;
using ondrel::FileFormatOptions;

// What a file is written as: its format and, where the format has a choice, its content.
enum Content : std::uint32_t {
  Blp1Jpeg = 1u << 0,
  Blp1Paletted = 1u << 1,
  Blp2Paletted = 1u << 2,
  Blp2Dxt = 1u << 3,
  DdsDxt = 1u << 4,
  DdsPlain = 1u << 5,
  TgaTrueColour = 1u << 6,
  TgaPaletted = 1u << 7,
  Png = 1u << 8,
  Jpg = 1u << 9,
  Bmp = 1u << 10,
};
constexpr std::uint32_t kAnyBlp = Blp1Jpeg | Blp1Paletted | Blp2Paletted | Blp2Dxt;
constexpr std::uint32_t kAnyTga = TgaTrueColour | TgaPaletted;
constexpr std::uint32_t kPaletted = Blp1Paletted | Blp2Paletted | TgaPaletted;

const char* ContentName(Content c) {
  switch (c) {
    case Blp1Jpeg: return "BLP1 with JPEG content";
    case Blp1Paletted: return "paletted BLP1";
    case Blp2Paletted: return "paletted BLP2";
    case Blp2Dxt: return "BLP2 with DXT content";
    case DdsDxt: return "DDS with DXT content";
    case DdsPlain: return "uncompressed DDS";
    case TgaTrueColour: return "true-colour TGA";
    case TgaPaletted: return "paletted TGA";
    case Png: return "PNG";
    case Jpg: return "JPG";
    case Bmp: return "BMP";
  }
  return "";
}

QString ContentList(std::uint32_t mask) {
  QStringList names;
  for (std::uint32_t bit = 1; bit <= Bmp; bit <<= 1)
    if (mask & bit) names << ContentName(Content(bit));
  if (names.size() < 2) return names.join("");
  const QString last = names.takeLast();
  return names.join(", ") + " and " + last;
}

// --encoding: the content choices of each format, the first one the designed default.
struct EncodingChoice {
  TargetFormat format;
  const char* value;
  Content content;
};
constexpr std::array<EncodingChoice, 9> kEncodings = {{
    {TargetFormat::Blp1, "jpeg", Blp1Jpeg},
    {TargetFormat::Blp1, "paletted", Blp1Paletted},
    {TargetFormat::Blp2, "dxt", Blp2Dxt},
    {TargetFormat::Blp2, "paletted", Blp2Paletted},
    {TargetFormat::Dds, "dxt", DdsDxt},
    {TargetFormat::Dds, "uncompressed", DdsPlain},
    {TargetFormat::Dds, "truecolor", DdsPlain},
    {TargetFormat::Tga, "truecolor", TgaTrueColour},
    {TargetFormat::Tga, "paletted", TgaPaletted},
}};

Content ChooseContent(TargetFormat format, const QMap<QString, QString>& flags) {
  const bool given = flags.contains("encoding");
  const Content single = format == TargetFormat::Png ? Png : format == TargetFormat::Jpg ? Jpg : Bmp;
  const QString wanted = flags.value("encoding").toLower();
  QStringList choices;
  for (const EncodingChoice& e : kEncodings) {
    if (e.format != format) continue;
    if (!given || wanted == e.value) return e.content;
    choices << e.value;
  }
  const QString name = batch::TargetFormatName(format).toUpper();
  if (choices.isEmpty() && !given) return single;
  if (choices.isEmpty())
    throw UsageError("--encoding does not apply to " + name + "; it applies to BLP1, BLP2, DDS and TGA");
  throw UsageError("--encoding for " + name + " takes " + choices.join(" or ") + ", not '" + wanted + "'");
}

// The bytes a flag sets, by content.
using Apply = void (*)(FileFormatOptions&, Content, int);

void SetQuality(FileFormatOptions& o, Content c, int v) {
  (c == Blp1Jpeg ? o.blp1.Blp1Quality : o.jpg.JpgQuality) = std::uint8_t(v);
}
void SetColors(FileFormatOptions& o, Content c, int v) {
  const auto minus1 = std::uint8_t(v - 1);
  if (c == Blp1Paletted) o.blp1.Blp1ColorsMinus1 = minus1;
  if (c == Blp2Paletted) o.blp2.Blp2ColorsMinus1 = minus1;
  if (c == TgaPaletted) o.tga.TgaColorsMinus1 = minus1;
}
void SetMipmaps(FileFormatOptions& o, Content c, int v) {
  const auto minus1 = std::uint8_t(v - 1);
  if (c & (Blp1Jpeg | Blp1Paletted)) o.blp1.Blp1MipmapsMinus1 = minus1;
  if (c & (Blp2Paletted | Blp2Dxt)) o.blp2.Blp2MipmapsMinus1 = minus1;
  if (c & (DdsDxt | DdsPlain)) o.dds.DdsMipmapsMinus1 = minus1;
}
void SetCompressPalette(FileFormatOptions& o, Content c, int v) {
  if (c == Blp1Paletted) o.blp1.Blp1CompressPalette = std::uint8_t(v);
  if (c == Blp2Paletted) o.blp2.Blp2CompressPalette = std::uint8_t(v);
  if (c == TgaPaletted) o.tga.TgaCompressPalette = std::uint8_t(v);
}
void SetErrorDiffusion(FileFormatOptions& o, Content c, int v) {
  if (c == Blp1Paletted) o.blp1.Blp1ErrorDiffusion = std::uint8_t(v);
  if (c == Blp2Paletted) o.blp2.Blp2ErrorDiffusion = std::uint8_t(v);
  if (c == Blp2Dxt) o.blp2.Blp2DxtErrorDiffusion = std::uint8_t(v);
  if (c == DdsDxt) o.dds.DdsErrorDiffusion = std::uint8_t(v);
  if (c == TgaPaletted) o.tga.TgaErrorDiffusion = std::uint8_t(v);
}
void SetMergeHeaders(FileFormatOptions& o, Content, int v) { o.blp1.Blp1MergeHeaders = std::uint8_t(v); }
void SetProgressive(FileFormatOptions& o, Content c, int v) {
  (c == Blp1Jpeg ? o.blp1.Blp1Progressive : o.jpg.JpgProgressive) = std::uint8_t(v);
}
void SetRle(FileFormatOptions& o, Content, int v) { o.tga.TgaRle = std::uint8_t(v); }
void SetTopLeft(FileFormatOptions& o, Content, int v) { o.tga.TgaTopLeft = std::uint8_t(v); }
void SetOverride(FileFormatOptions& o, Content, int v) { o.tga.TgaOverride = std::uint8_t(v); }
void SetPngLevel(FileFormatOptions& o, Content, int v) { o.png.PngCompression = std::uint8_t(v); }
void SetPngFilters(FileFormatOptions& o, Content, int v) {
  o.png.PngFilterSub = (v & 1) ? 1 : 0;
  o.png.PngFilterUp = (v & 2) ? 1 : 0;
  o.png.PngFilterAverage = (v & 4) ? 1 : 0;
  o.png.PngFilterPaeth = (v & 8) ? 1 : 0;
}

enum class Kind { Number, On, Off, Filters };

struct SaveFlag {
  const char* name;
  Kind kind;
  std::uint32_t appliesTo;
  Apply apply;
  int min = 0, max = 0;
  const char* opposite = nullptr;  // the switch that says the contrary
};

const std::array<SaveFlag, 17> kFlags = {{
    {"quality", Kind::Number, Blp1Jpeg | Jpg, &SetQuality, 1, 100},
    {"colors", Kind::Number, kPaletted, &SetColors, 1, 256},
    {"mipmaps", Kind::Number, kAnyBlp | DdsDxt | DdsPlain, &SetMipmaps, 1, 16},
    {"compress-palette", Kind::On, kPaletted, &SetCompressPalette, 0, 0, "no-compress-palette"},
    {"no-compress-palette", Kind::Off, kPaletted, &SetCompressPalette, 0, 0, "compress-palette"},
    {"error-diffusion", Kind::On, kPaletted | Blp2Dxt | DdsDxt, &SetErrorDiffusion, 0, 0, "no-error-diffusion"},
    {"no-error-diffusion", Kind::Off, kPaletted | Blp2Dxt | DdsDxt, &SetErrorDiffusion, 0, 0, "error-diffusion"},
    {"merge-headers", Kind::On, Blp1Jpeg, &SetMergeHeaders, 0, 0, "no-merge-headers"},
    {"no-merge-headers", Kind::Off, Blp1Jpeg, &SetMergeHeaders, 0, 0, "merge-headers"},
    {"progressive", Kind::On, Blp1Jpeg | Jpg, &SetProgressive, 0, 0, "no-progressive"},
    {"no-progressive", Kind::Off, Blp1Jpeg | Jpg, &SetProgressive, 0, 0, "progressive"},
    {"rle", Kind::On, kAnyTga, &SetRle},
    {"top-left", Kind::On, kAnyTga, &SetTopLeft},
    {"override", Kind::On, kAnyTga, &SetOverride},
    {"png-level", Kind::Number, Png, &SetPngLevel, 0, 9},
    {"png-filters", Kind::Filters, Png, &SetPngFilters},
    {"encoding", Kind::Filters, 0, nullptr},  // chooses the content; handled first
}};

const char* ValueName(const SaveFlag& f) {
  if (f.kind == Kind::Filters) return std::string_view(f.name) == "encoding" ? "CONTENT" : "LIST";
  if (std::string_view(f.name) == "mipmaps") return "N|all";
  return f.kind == Kind::Number ? "N" : nullptr;
}

int NumberValue(const SaveFlag& f, const QString& text) {
  if (std::string_view(f.name) == "mipmaps" && text.toLower() == "all") return 16;
  return FlagNumber(f.name, text, f.min, f.max);
}

int FilterMask(const QString& text) {
  static const char* const kNames[] = {"sub", "up", "average", "paeth"};
  if (text.toLower() == "none") return 0;
  int mask = 0;
  for (const QString& part : text.toLower().split(',')) {
    int bit = -1;
    for (int i = 0; i < 4; ++i)
      if (part.trimmed() == kNames[i]) bit = i;
    if (bit < 0)
      throw UsageError("--png-filters takes none or a list of sub, up, average, paeth, not '" + text + "'");
    mask |= 1 << bit;
  }
  return mask;
}

}  // namespace

int FlagNumber(const QString& flag, const QString& text, int min, int max) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < min || v > max)
    throw UsageError(QString("--%1 takes %2 to %3, not '%4'").arg(flag).arg(min).arg(max).arg(text));
  return v;
}

void AddSaveFlags(QCommandLineParser& parser) {
  for (const SaveFlag& f : kFlags) {
    const char* value = ValueName(f);
    parser.addOption(value ? QCommandLineOption(f.name, f.name, value) : QCommandLineOption(f.name, f.name));
  }
}

QMap<QString, QString> GivenSaveFlags(const QCommandLineParser& parser) {
  QMap<QString, QString> given;
  for (const SaveFlag& f : kFlags)
    if (parser.isSet(f.name)) given.insert(f.name, ValueName(f) ? parser.value(f.name) : QString());
  return given;
}

FileFormatOptions SaveOptionsFor(TargetFormat format, const QMap<QString, QString>& flags) {
  FileFormatOptions options = batch::DesignedSaveOptions();
  const Content content = ChooseContent(format, flags);
  if (content == Blp1Paletted) options.blp1.Blp1Paletted = 1;
  if (content == Blp2Paletted) options.blp2.Blp2Encoding = 1;
  if (content == DdsPlain) options.dds.DdsCompressed = 0;
  if (content == TgaPaletted) options.tga.TgaPaletted = 1;

  for (const SaveFlag& f : kFlags) {
    if (!flags.contains(f.name) || f.apply == nullptr) continue;
    if (!(f.appliesTo & content))
      throw UsageError(QString("--%1 does not apply to %2; it applies to %3")
                           .arg(f.name, ContentName(content), ContentList(f.appliesTo)));
    if (f.opposite && flags.contains(f.opposite))
      throw UsageError(QString("--%1 and --%2 contradict each other").arg(f.name, f.opposite));
    const QString text = flags.value(f.name);
    const int value = f.kind == Kind::Number ? NumberValue(f, text)
                      : f.kind == Kind::Filters ? FilterMask(text)
                      : f.kind == Kind::On      ? 1
                                                : 0;
    f.apply(options, content, value);
  }
  if (flags.contains("override") && !flags.contains("rle"))
    throw UsageError("--override applies only with --rle (run-length packets across row ends)");
  return options;
}

}  // namespace ondrel::cli
