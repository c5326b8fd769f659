// The save options on the command line: one flag per option of the save-options window, with
// its range and designed default. A flag must apply to the chosen format and content; one that
// does not is refused by name rather than ignored.
#pragma once

#include <QCommandLineParser>
#include <QMap>
#include <QString>

#include "file_format_options.hpp"
#include "target_format.hpp"

namespace ondrel::cli {

// The whole number `text` given to --`flag`; throws UsageError naming the range unless it is
// one from min to max.
int FlagNumber(const QString& flag, const QString& text, int min, int max);

// Registers every save-option flag with the parser.
void AddSaveFlags(QCommandLineParser& parser);

// The save-option flags the command line set: name -> value ("" for a switch).
QMap<QString, QString> GivenSaveFlags(const QCommandLineParser& parser);

// The designed options with the given flags applied for the format. Throws UsageError naming
// a flag that does not apply, a value out of range, or two flags that contradict.
ondrel::FileFormatOptions SaveOptionsFor(batch::TargetFormat format,
                                         const QMap<QString, QString>& flags);

}  // namespace ondrel::cli
