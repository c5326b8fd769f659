#include "message_format.hpp"

#include <algorithm>
#include <vector>

namespace ondrel {

namespace {

// Wide enough for any sensible column, small enough that "%999999999d" costs nothing.
constexpr int kMaxField = 255;

struct Placeholder {
  bool leftJustify = false;
  int width = 0;
  int precision = -1;
  QChar type;
  qsizetype length = 0;  // characters from "%" to the type letter, both included
};

// Reads a placeholder at `pos` (just after "%"); nothing when it is not one we fill.
std::optional<Placeholder> ParsePlaceholder(const QString& format, qsizetype pos) {
  Placeholder p;
  qsizetype i = pos;
  auto number = [&](int& out) {
    while (i < format.size() && format[i].isDigit() && format[i].unicode() < 128) {
      out = std::min(kMaxField, out * 10 + (format[i].unicode() - '0'));
      ++i;
    }
  };
  if (i < format.size() && format[i] == '-') {
    p.leftJustify = true;
    ++i;
  }
  number(p.width);
  if (i < format.size() && format[i] == '.') {
    ++i;
    p.precision = 0;
    number(p.precision);
  }
  if (i >= format.size()) return std::nullopt;
  const QChar type = format[i].toLower();
  if (type != 's' && type != 'd' && type != 'u') return std::nullopt;
  p.type = type;
  p.length = i - pos + 2;
  return p;
}

}  // namespace

QString FormatMessage(const QString& format, std::initializer_list<MessageArg> args) {
  std::vector<QString> texts;
  std::vector<std::int64_t> numbers;
  for (const MessageArg& arg : args) {
    if (const auto* text = std::get_if<QString>(&arg))
      texts.push_back(*text);
    else
      numbers.push_back(std::get<std::int64_t>(arg));
  }
  std::size_t nextText = 0, nextNumber = 0;

  QString out;
  for (qsizetype i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    const auto p = ParsePlaceholder(format, i + 1);
    if (!p) {
      out += '%';
      continue;
    }
    i += p->length - 1;

    QString field;
    if (p->type == 's' && nextText < texts.size()) {
      field = texts[nextText++];
      if (p->precision >= 0) field.truncate(p->precision);
    } else if (nextNumber < numbers.size()) {
      const std::int64_t n = numbers[nextNumber++];
      field = QString::number(n < 0 ? -static_cast<quint64>(n) : static_cast<quint64>(n));
      if (p->type != 's' && p->precision > field.size())
        field = QString(p->precision - field.size(), '0') + field;
      if (n < 0) field.prepend('-');
    }
    if (field.size() < p->width)
      field = p->leftJustify ? field.leftJustified(p->width) : field.rightJustified(p->width);
    out += field;
  }
  return out;
}

}  // namespace ondrel
