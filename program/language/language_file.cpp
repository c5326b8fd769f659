#include "language_file.hpp"

#include <QFile>

namespace ondrel {

std::optional<QString> LanguageFile::value(const QString& section, const QString& key) const {
  const auto s = sections_.constFind(section.toLower());
  if (s == sections_.constEnd()) return std::nullopt;
  const auto k = s->constFind(key.toLower());
  if (k == s->constEnd()) return std::nullopt;
  return *k;
}

QString LanguageFile::text(const QString& section, const QString& key) const {
  return value(section, key).value_or(QString());
}

QStringList LanguageFile::keys(const QString& section) const {
  return sections_.value(section.toLower()).keys();
}

namespace {

QString Unquoted(QString value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.mid(1, value.size() - 2);
  return value;
}

}  // namespace

LanguageFile LanguageFile::FromText(const QString& text) {
  LanguageFile file;
  QString section;
  bool inSection = false;  // false before the first header and inside a repeated section
  const QString body = text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
  for (QString line : body.split('\n')) {
    line = line.trimmed();
    if (line.startsWith('[')) {
      const qsizetype close = line.indexOf(']');
      section = line.mid(1, close < 0 ? -1 : close - 1).trimmed().toLower();
      inSection = !file.sections_.contains(section);
      if (inSection) file.sections_.insert(section, {});
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (!inSection || eq <= 0) continue;
    const QString key = line.left(eq).trimmed().toLower();
    auto& keys = file.sections_[section];
    if (!key.isEmpty() && !keys.contains(key)) keys.insert(key, Unquoted(line.mid(eq + 1).trimmed()));
  }
  return file;
}

LanguageFile ReadLanguageFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return LanguageFile::FromText(QString::fromUtf8(file.readAll()));
}

}  // namespace ondrel
