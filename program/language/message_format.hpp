// Fills the format strings of a language file (messages 13 to 15) without trusting them: a
// translation may carry the wrong placeholders, too few, too many, or none.
#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <variant>

namespace ondrel {

using MessageArg = std::variant<QString, std::int64_t>;

// Placeholders: %s takes the next text argument, %d and %u the next number, each with an
// optional "-" (left-justify), width and ".precision" (at most 255 each); "%%" is a percent sign.
// Texts and numbers are taken in their own order, so a translation may reorder a text and a
// number. A %s with no text left shows the next number; a placeholder with nothing left to show
// becomes empty; anything else after "%" stays as written. Unused arguments are dropped.
QString FormatMessage(const QString& format, std::initializer_list<MessageArg> args);

}  // namespace ondrel
