// A language file read into memory: the profile (INI) sections and keys the loader asks for.
// Kept behind ReadLanguageFile so that the program's settings file reader can take its place.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace ondrel {

class LanguageFile {
 public:
  // The value of a key, or nothing when the section or key is missing. Names are compared
  // without regard to case; the first of repeated sections or keys counts.
  std::optional<QString> value(const QString& section, const QString& key) const;
  // The value, or empty text when missing.
  QString text(const QString& section, const QString& key) const;
  // The keys of a section, lower-cased.
  QStringList keys(const QString& section) const;

  // Parses profile text: "[Section]" lines, "Key=Value" lines (both trimmed, one pair of
  // enclosing quotes dropped from the value); anything else is ignored, a byte-order mark too.
  static LanguageFile FromText(const QString& text);

 private:
  QHash<QString, QHash<QString, QString>> sections_;
};

// Reads a UTF-8 language file; a missing or unreadable file reads as an empty one.
LanguageFile ReadLanguageFile(const QString& path);

}  // namespace ondrel
