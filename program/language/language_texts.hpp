// The indexed texts of the language file: labels built at run time and message boxes.
#pragma once

#include <QString>

#include <array>
#include <cstddef>

namespace ondrel {

// Texts added beside the numbered ones, each under its own key in section MESSAGES, so a
// language file names what it translates and a later addition never shifts a number.
enum class NamedMessage : std::size_t {
  ReplaceFile,          // a save would replace this file (%s): ask first
  ConvertCounts,        // end of a conversion: files in the list, converted, failed
  ConvertStopped,       // the same after Stop: files reached, files in the list, converted, failed
  ConvertFailedList,    // heading of the failed files, each with its reason
  ConvertWrittenTwice,  // heading of the targets that more than one file was saved to
  ConvertMoreLines,     // a list cut short: how many lines more the details hold
  OptimizeRefused,      // the optimizer could not rewrite a file (%s) and says why (%s)
  Count
};
inline constexpr const char* kNamedMessageKeys[] = {"ReplaceFile", "ConvertCounts", "ConvertStopped",
                                                    "ConvertFailedList", "ConvertWrittenTwice",
                                                    "ConvertMoreLines", "OptimizeRefused"};
static_assert(std::size(kNamedMessageKeys) == std::size_t(NamedMessage::Count));

struct IndexedTexts {
  std::array<QString, 41> CAPTIONS;
  std::array<QString, 17> MESSAGES;
  std::array<QString, 3> MSGTYPES;  // captions of message boxes: 0 error, 1 information, 2 warning
  std::array<QString, 11> REASONS;  // why a file did not open: the second line of the load error
  std::array<QString, std::size_t(NamedMessage::Count)> NAMED;  // by NamedMessage
  QString Title0;                   // the save-options window in its options-only mode
  QString Title1;                   // the save-options window when it saves
};

// The program's one set, filled by LoadLanguage; empty until a language file is loaded.
IndexedTexts& LanguageTexts();

}  // namespace ondrel
