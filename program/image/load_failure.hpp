// Why an open gave no picture, in terms a window can word for the user in its own language:
// the file's kind of problem, the format its extension claims, the format its contents are.
#pragma once

#include <QString>

#include <exception>

namespace ondrel {

struct LoadFailure {
  enum class Kind {
    Missing,           // no such file
    AccessDenied,      // permission denied
    Folder,            // a folder, not a file
    NotRegular,        // a FIFO, a device or a socket
    TooLarge,          // beyond the file-size limit
    Unreadable,        // another error of the file system (detail says which)
    OtherFormat,       // the contents are `actual`, not the `claimed` of the extension
    NotRecognised,     // not a `claimed` file its class reads
    UnknownExtension,  // no loader for the extension `claimed`
    Damaged,           // recognised, but the loader refused it (detail says why)
  };
  Kind kind = Kind::Damaged;
  QString claimed;  // "PNG", "JPEG", ...; for UnknownExtension the extension itself
  QString actual;   // OtherFormat only
  QString detail;   // the reader's own words, in English
};

// A load that threw: a file read error keeps its kind, anything else is a damaged file.
LoadFailure DescribeLoadError(const std::exception& error);

// A load that gave an empty picture without an error: sniffs the file's first bytes to tell a
// file of another format from one the class does not read. Reads the file again.
LoadFailure WhyNoPicture(const QString& fileName);

// The format name of an extension (".jpeg" -> "JPEG"); empty for one we do not read.
QString FormatNameOfExtension(const QString& extension);

}  // namespace ondrel
