#include "language_texts.hpp"

namespace ondrel {

IndexedTexts& LanguageTexts() {
  static IndexedTexts texts;
  return texts;
}

}  // namespace ondrel
