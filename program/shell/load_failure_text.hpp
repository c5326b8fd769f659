// The load error box's text: the file name, ": " and message 9 as ever, then a second line
// from the language file's REASONS that says why the file did not open.
#pragma once

#include <QString>

#include "language_texts.hpp"
#include "load_failure.hpp"

namespace ondrel {

// The second line alone; empty when the language file has no text for the reason.
QString LoadFailureReason(const LoadFailure& failure, const IndexedTexts& texts);

// "name: <message 9>", and the reason on a line of its own when there is one.
QString LoadErrorText(const QString& fileNameWithoutFolder, const LoadFailure& failure, const IndexedTexts& texts);

}  // namespace ondrel
