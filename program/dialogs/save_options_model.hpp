// The rules of the save-options window without the window: which control shows which byte of
// FileFormatOptions, loading and storing the six pages, the enable rules, the target name and
// format chosen by typing or browsing, and the BLP1 size warnings.
#pragma once

#include <QString>

#include <map>
#include <optional>
#include <span>

#include "file_format_options.hpp"

namespace ondrel::dialogs {

// boxFileExt's items: the six pages in their order, then BMP (no page).
inline constexpr int kPageCount = 6;
inline constexpr int kBmpFormat = 6;

// The state of a page's controls by objectName: a radio or check button 1 when checked and
// 0 when not, a spin edit its value.
using OptionValues = std::map<QString, int>;

// A radio pair: `first` is checked when the byte holds firstValue, `second` when it holds
// secondValue; storing writes firstValue when `first` is checked and secondValue otherwise.
struct RadioPairControl {
  const char* first;
  int firstValue;
  const char* second;
  int secondValue;
  int page, offset;
};
struct CheckControl {
  const char* name;
  int page, offset;
};
// A spin edit; counts are stored minus one (plusOne = 1).
struct SpinControl {
  const char* name;
  int page, offset, minimum, maximum, plusOne;
};

std::span<const RadioPairControl> RadioPairControls();
std::span<const CheckControl> CheckControls();
std::span<const SpinControl> SpinControls();

// Every control as the record sets it; spin values clamped into their range.
OptionValues ValuesFromOptions(const FileFormatOptions& options);

// Writes exactly the bytes of one page's block; the other pages and unused bytes stay.
void StorePage(const OptionValues& values, int page, FileFormatOptions& options);
void StoreAllPages(const OptionValues& values, FileFormatOptions& options);

// A spin edit's text as the value it stores: clamped, and the minimum when not a number.
int SpinValueFromText(const QString& text, int minimum, int maximum);

// The five enable rules: the controls they switch, each with its state.
std::map<QString, bool> EnableStates(const OptionValues& values);

// ".blp" for BLP1 and BLP2, then ".dds", ".tga", ".png", ".jpg", ".bmp".
QString FormatExtension(int formatIndex);

// The file a save writes: the typed name plus the format's extension, unless the typed name
// already ends in it (compared without regard to case).
QString SaveFileName(const QString& typed, int formatIndex);

// Where that file lands: a name without a folder, or below a relative one, is placed beside
// the open image, never in whatever folder the program was started from.
QString SaveTargetBesideImage(const QString& fileName, const QString& currentFile);

// The name field after browsing: the chosen file without the text after its last dot.
QString NameFieldFromBrowse(const QString& chosen);

// The format after browsing with the save dialog's 1-based filter index; empty = unchanged.
std::optional<int> FormatFromBrowse(int filterIndex, const QString& chosen);

// The warning a BLP1 save shows first: 6 neither side a power of two, 7 the width,
// 8 the height; 0 none. Sides are taken as 16-bit values.
int PowerOfTwoWarning(int width, int height);

}  // namespace ondrel::dialogs
