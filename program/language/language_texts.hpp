// The indexed texts of the language file: labels built at run time and message boxes.
#pragma once

#include <QString>

#include <array>

namespace ondrel {

struct IndexedTexts {
  std::array<QString, 41> CAPTIONS;
  std::array<QString, 17> MESSAGES;
  std::array<QString, 3> MSGTYPES;  // captions of message boxes: 0 error, 1 information, 2 warning
  std::array<QString, 11> REASONS;  // why a file did not open: the second line of the load error
  QString Title0;                   // the save-options window in its options-only mode
  QString Title1;                   // the save-options window when it saves
};

// The program's one set, filled by LoadLanguage; empty until a language file is loaded.
IndexedTexts& LanguageTexts();

}  // namespace ondrel
