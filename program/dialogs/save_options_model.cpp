#include "save_options_model.hpp"

#include <QDir>
#include <QFileInfo>

#include "file_lists.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace ondrel::dialogs {
namespace {

enum Page { kBlp1, kBlp2, kDds, kTga, kPng, kJpg };

constexpr RadioPairControl kRadioPairs[] = {
    {"rbxBLP1Paletted", 1, "rbxBLP1Compressed1", 0, kBlp1, 0},
    {"rbxBLP2Paletted", 1, "rbxBLP2Compressed2", 2, kBlp2, 2},
    {"rbxDDS_Compressed2", 1, "rbxDDS_TrueColor", 0, kDds, 0},
    {"rbxTGA_Paletted", 1, "rbxTGA_TrueColor", 0, kTga, 0},
};

constexpr CheckControl kChecks[] = {
    {"chkBLP1CompressPal", kBlp1, 3},   {"chkBLP1ErrorDiff1", kBlp1, 4},
    {"chkBLP1MergeHeaders", kBlp1, 5},  {"chkBLP1Progressive", kBlp1, 6},
    {"chkBLP2CompressPal", kBlp2, 3},   {"chkBLP2ErrorDiff1", kBlp2, 4},
    {"chkBLP2ErrorDiff2", kBlp2, 5},    {"chkDDS_ErrorDiff2", kDds, 1},
    {"chkTGA_CompressPal", kTga, 2},    {"chkTGA_ErrorDiff1", kTga, 3},
    {"chkTGA_TopLeft", kTga, 4},        {"chkTGA_RLE", kTga, 5},
    {"chkTGA_Override", kTga, 6},       {"chkPNG_FilterSub", kPng, 1},
    {"chkPNG_FilterUp", kPng, 2},       {"chkPNG_FilterAverage", kPng, 3},
    {"chkPNG_FilterPaeth", kPng, 4},    {"chkJPG_Progressive", kJpg, 1},
};

constexpr SpinControl kSpins[] = {
    {"edBLP1Colors", kBlp1, 1, 1, 256, 1}, {"edBLP1Quality", kBlp1, 2, 1, 100, 0},
    {"edBLP1Mipmaps", kBlp1, 7, 1, 16, 1}, {"edBLP2Colors", kBlp2, 1, 1, 256, 1},
    {"edBLP2Mipmaps", kBlp2, 7, 1, 16, 1}, {"edDDS_Mipmaps", kDds, 2, 1, 16, 1},
    {"edTGA_Colors", kTga, 1, 1, 256, 1},  {"edPNG_Ratio", kPng, 0, 0, 9, 0},
    {"edJPG_Quality", kJpg, 0, 1, 100, 0},
};

using RecordBytes = std::array<std::uint8_t, sizeof(FileFormatOptions)>;

RecordBytes BytesOf(const FileFormatOptions& options) {
  RecordBytes bytes;
  std::memcpy(bytes.data(), &options, bytes.size());
  return bytes;
}

std::uint8_t& At(RecordBytes& bytes, int page, int offset) { return bytes[std::size_t(page * 8 + offset)]; }

int ValueOr(const OptionValues& values, const char* name, int fallback) {
  const auto it = values.find(QString::fromLatin1(name));
  return it == values.end() ? fallback : it->second;
}

}  // namespace

std::span<const RadioPairControl> RadioPairControls() { return kRadioPairs; }
std::span<const CheckControl> CheckControls() { return kChecks; }
std::span<const SpinControl> SpinControls() { return kSpins; }

OptionValues ValuesFromOptions(const FileFormatOptions& options) {
  RecordBytes bytes = BytesOf(options);
  OptionValues values;
  for (const auto& pair : kRadioPairs) {
    const int stored = At(bytes, pair.page, pair.offset);
    values[QString::fromLatin1(pair.first)] = stored == pair.firstValue ? 1 : 0;
    values[QString::fromLatin1(pair.second)] = stored == pair.secondValue ? 1 : 0;
  }
  for (const auto& check : kChecks) values[QString::fromLatin1(check.name)] = At(bytes, check.page, check.offset) == 1 ? 1 : 0;
  for (const auto& spin : kSpins)
    values[QString::fromLatin1(spin.name)] =
        std::clamp(At(bytes, spin.page, spin.offset) + spin.plusOne, spin.minimum, spin.maximum);
  return values;
}

void StorePage(const OptionValues& values, int page, FileFormatOptions& options) {
  RecordBytes bytes = BytesOf(options);
  for (const auto& pair : kRadioPairs) {
    if (pair.page != page) continue;
    At(bytes, page, pair.offset) = std::uint8_t(ValueOr(values, pair.first, 0) ? pair.firstValue : pair.secondValue);
  }
  for (const auto& check : kChecks) {
    if (check.page == page) At(bytes, page, check.offset) = ValueOr(values, check.name, 0) ? 1 : 0;
  }
  for (const auto& spin : kSpins) {
    if (spin.page != page) continue;
    const int value = std::clamp(ValueOr(values, spin.name, spin.minimum), spin.minimum, spin.maximum);
    At(bytes, page, spin.offset) = std::uint8_t(value - spin.plusOne);
  }
  if (page == kBlp2) At(bytes, kBlp2, 0) = 1;  // Blp2Kind
  std::memcpy(&options, bytes.data(), bytes.size());
}

void StoreAllPages(const OptionValues& values, FileFormatOptions& options) {
  for (int page = 0; page < kPageCount; ++page) StorePage(values, page, options);
}

int SpinValueFromText(const QString& text, int minimum, int maximum) {
  bool ok = false;
  const long long value = text.trimmed().toLongLong(&ok);
  if (!ok) return minimum;
  return int(std::clamp<long long>(value, minimum, maximum));
}

std::map<QString, bool> EnableStates(const OptionValues& v) {
  const bool blp1Paletted = ValueOr(v, "rbxBLP1Paletted", 0), blp1Jpeg = ValueOr(v, "rbxBLP1Compressed1", 0);
  const bool blp2Paletted = ValueOr(v, "rbxBLP2Paletted", 0), blp2Dxt = ValueOr(v, "rbxBLP2Compressed2", 0);
  const bool ddsDxt = ValueOr(v, "rbxDDS_Compressed2", 0), tgaPaletted = ValueOr(v, "rbxTGA_Paletted", 0);
  const bool tgaRle = ValueOr(v, "chkTGA_RLE", 0);
  std::map<QString, bool> states;
  for (const char* name : {"edBLP1Colors", "lbxBLP1Colors", "chkBLP1CompressPal", "chkBLP1ErrorDiff1"})
    states[QString::fromLatin1(name)] = blp1Paletted;
  for (const char* name : {"edBLP1Quality", "lbxBLP1Quality", "chkBLP1MergeHeaders", "chkBLP1Progressive"})
    states[QString::fromLatin1(name)] = blp1Jpeg;
  for (const char* name : {"edBLP2Colors", "lbxBLP2Colors", "chkBLP2CompressPal", "chkBLP2ErrorDiff1"})
    states[QString::fromLatin1(name)] = blp2Paletted;
  states[QStringLiteral("chkBLP2ErrorDiff2")] = blp2Dxt;
  states[QStringLiteral("chkDDS_ErrorDiff2")] = ddsDxt;
  for (const char* name : {"edTGA_Colors", "lbxTGA_Colors", "chkTGA_CompressPal", "chkTGA_ErrorDiff1"})
    states[QString::fromLatin1(name)] = tgaPaletted;
  states[QStringLiteral("chkTGA_Override")] = tgaRle;
  return states;
}

QString FormatExtension(int formatIndex) {
  static const char* const kExtensions[] = {".blp", ".blp", ".dds", ".tga", ".png", ".jpg", ".bmp"};
  if (formatIndex < 0 || formatIndex > kBmpFormat) return {};
  return QString::fromLatin1(kExtensions[formatIndex]);
}

QString SaveFileName(const QString& typed, int formatIndex) {
  const QString extension = FormatExtension(formatIndex);
  if (typed.endsWith(extension, Qt::CaseInsensitive)) return typed;
  return typed + extension;
}

QString SaveTargetBesideImage(const QString& fileName, const QString& currentFile) {
  if (QDir::isAbsolutePath(fileName) || currentFile.isEmpty()) return fileName;
  return QDir::cleanPath(QFileInfo(currentFile).absoluteDir().filePath(fileName));
}

QString NameFieldFromBrowse(const QString& chosen) {
  const qsizetype dot = chosen.lastIndexOf('.');
  // A dot inside a folder name is not an extension.
  if (dot < 0 || dot < chosen.lastIndexOf('/')) return chosen;
  return chosen.left(dot);
}

std::optional<int> FormatFromBrowse(int filterIndex, const QString& chosen) {
  if (filterIndex == 1) {
    const QString extension = LowerExtension(chosen);
    if (extension == ".bmp") return kBmpFormat;
    if (extension == ".tga") return kTga;
    if (extension == ".blp") return kBlp1;
    if (extension == ".jpg" || extension == ".jpeg") return kJpg;
    if (extension == ".png") return kPng;
    if (extension == ".dds") return kDds;
    return std::nullopt;
  }
  static constexpr int kByFilter[] = {kBlp1, kTga, kBmpFormat, kJpg, kPng, kDds};
  if (filterIndex >= 2 && filterIndex <= 7) return kByFilter[filterIndex - 2];
  return std::nullopt;
}

int PowerOfTwoWarning(int width, int height) {
  const auto isPowerOfTwo = [](int side) {
    const auto value = std::uint16_t(side);
    return value != 0 && (value & (value - 1)) == 0;
  };
  const bool widthOk = isPowerOfTwo(width), heightOk = isPowerOfTwo(height);
  if (!widthOk && !heightOk) return 6;
  if (!widthOk) return 7;
  if (!heightOk) return 8;
  return 0;
}

}  // namespace ondrel::dialogs
