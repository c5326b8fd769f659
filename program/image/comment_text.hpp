// The comment as text: stored as UTF-8 bytes with CR LF line breaks (a break counts two
// bytes); a stored comment that is not valid UTF-8 is shown as Latin-1.
#pragma once

#include <QString>

#include <string>

namespace ondrel {

// The bytes to store, cut at the capacity on a character boundary; zero characters removed.
std::string CommentBytesFromText(const QString& text, std::size_t capacity);

// The text to show; line breaks become "\n".
QString CommentTextFromBytes(const std::string& bytes);

}  // namespace ondrel
