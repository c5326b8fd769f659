// A profile (INI) file: "[SECTION]" header lines, then "Key=Value" lines. Section and key names
// are compared without regard to case; a missing file, section or key gives the caller's default.
// Writing changes only the line of the key concerned (or adds one), so comments, unknown keys
// and other sections stay as they were; Save replaces the file atomically.
#pragma once

#include "atomic_file.hpp"  // FileError

#include <QString>
#include <QStringList>

#include <optional>

namespace ondrel {

class IniFile {
 public:
  // Reads the file now; a missing or unreadable file reads as empty.
  explicit IniFile(QString path);

  const QString& path() const { return path_; }

  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
  // The value, or nothing when the section or the key is missing (an empty value is there).
  std::optional<QString> Value(const QString& section, const QString& key) const;
  // The profile integer reader: optional blanks and sign, then leading decimal digits (or "0x"
  // and hex digits); anything after them is ignored ("12px" is 12). A missing or empty value, or
  // one that does not start with a number, gives the fallback. Wraps to 32 bits as the
  // platform's reader does.
  int ReadInteger(const QString& section, const QString& key, int fallback) const;
  bool ReadBool(const QString& section, const QString& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
  }

  // Line breaks in the value are written as blanks: one key, one line.
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
  }
  void WriteBool(const QString& section, const QString& key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
  }

  // Removes the key's line; nothing happens when there is none.
  void RemoveKey(const QString& section, const QString& key);

  // Writes the whole file atomically, creating its folder when missing. Throws FileError.
  void Save() const;

  // The file's text as Save would write it.
  QByteArray ToBytes() const;

 private:
  struct KeyLine {
    int index;
    QString value;
  };
  // First header line of the section, or -1.
  int FindSection(const QString& section) const;
  // Lines of the section's body: [begin, end).
  int SectionEnd(int header) const;
  std::optional<KeyLine> FindKey(const QString& section, const QString& key) const;

  QString path_;
  QStringList lines_;
};

// The profile integer reader on one value; nothing when the text does not start with a number.
std::optional<int> ParseProfileInteger(const QString& text);

}  // namespace ondrel
