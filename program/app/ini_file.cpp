#include "ini_file.hpp"

#include "atomic_file.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>

namespace ondrel {

namespace {

// The name of a "[name]" header line, or nothing.
std::optional<QString> HeaderName(const QString& line) {
  const QString t = line.trimmed();
  if (!t.startsWith('[')) return std::nullopt;
  const auto close = t.indexOf(']');
  if (close < 0) return std::nullopt;
  return t.mid(1, close - 1).trimmed();
}

bool IsComment(const QString& trimmed) { return trimmed.startsWith(';'); }

// A value in matching quotes is read without them, as the platform does.
QString Unquote(QString value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.mid(1, value.size() - 2);
  return value;
}

int DigitValue(QChar c) {
  if (c >= '0' && c <= '9') return c.unicode() - '0';
  if (c >= 'a' && c <= 'f') return c.unicode() - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c.unicode() - 'A' + 10;
  return 99;
}

}  // namespace

std::optional<int> ParseProfileInteger(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      DigitValue(text[i + 2]) < 16) {
    base = 16;
    i += 2;
  }
  std::uint32_t value = 0;
  qsizetype digits = 0;
  for (; i < text.size() && DigitValue(text[i]) < base; ++i, ++digits)
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(DigitValue(text[i]));
  if (digits == 0) return std::nullopt;
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

IniFile::IniFile(QString path) : path_(std::move(path)) {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return;
  QString text = QString::fromUtf8(file.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);  // an editor's byte-order mark
  text.replace("\r\n", "\n");
  lines_ = text.split('\n');
  if (!lines_.isEmpty() && lines_.back().isEmpty()) lines_.removeLast();  // the final line break
}

int IniFile::FindSection(const QString& section) const {
  for (int i = 0; i < lines_.size(); ++i) {
    const auto name = HeaderName(lines_[i]);
    if (name && name->compare(section, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

int IniFile::SectionEnd(int header) const {
  int i = header + 1;
  while (i < lines_.size() && !HeaderName(lines_[i])) ++i;
  return i;
}

std::optional<IniFile::KeyLine> IniFile::FindKey(const QString& section, const QString& key) const {
  const int header = FindSection(section);
  if (header < 0) return std::nullopt;
  const int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    const QString& line = lines_[i];
    const auto eq = line.indexOf('=');
    if (eq < 0 || IsComment(line.trimmed())) continue;
    if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
      return KeyLine{i, Unquote(line.mid(eq + 1).trimmed())};
  }
  return std::nullopt;
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& fallback) const {
  const auto found = FindKey(section, key);
  return found ? found->value : fallback;
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const {
  const auto found = FindKey(section, key);
  if (!found) return std::nullopt;
  return found->value;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int fallback) const {
  const auto found = FindKey(section, key);
  if (!found) return fallback;
  return ParseProfileInteger(found->value).value_or(fallback);
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& rawValue) {
  // A line break would end the line and plant the rest as lines of their own.
  QString value = rawValue;
  value.replace('\r', ' ').replace('\n', ' ');
  if (const auto found = FindKey(section, key)) {
    const QString& old = lines_[found->index];
    // Keep the key as the file spells it.
    lines_[found->index] = old.left(old.indexOf('=')).trimmed() + '=' + value;
    return;
  }
  const QString line = key + '=' + value;
  const int header = FindSection(section);
  if (header < 0) {
    if (!lines_.isEmpty() && !lines_.back().trimmed().isEmpty()) lines_ << QString();
    lines_ << '[' + section + ']' << line;
    return;
  }
  // After the section's last non-blank line, so the blank line before the next section stays.
  int at = SectionEnd(header);
  while (at > header + 1 && lines_[at - 1].trimmed().isEmpty()) --at;
  lines_.insert(at, line);
}

void IniFile::RemoveKey(const QString& section, const QString& key) {
  if (const auto found = FindKey(section, key)) lines_.removeAt(found->index);
}

QByteArray IniFile::ToBytes() const {
  QByteArray bytes;
  for (const QString& line : lines_) bytes += line.toUtf8() + '\n';
  return bytes;
}

void IniFile::Save() const {
  const QString folder = QFileInfo(path_).absolutePath();
  if (!QDir().mkpath(folder)) throw FileError("cannot create the folder " + folder.toStdString());
  WriteFileAtomically(path_, ToBytes());
}

}  // namespace ondrel
