#include "comment_text.hpp"

#include <QStringDecoder>

namespace ondrel {

std::string CommentBytesFromText(const QString& text, std::size_t capacity) {
  QString normal = text;
  normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normal.remove(QChar(0));
  std::string out;
  // Whole characters only (a surrogate pair is one), so a cut never splits a UTF-8 sequence.
  for (qsizetype i = 0; i < normal.size();) {
    const qsizetype units = normal[i].isHighSurrogate() && i + 1 < normal.size() ? 2 : 1;
    const QString ch = normal.mid(i, units);
    const std::string bytes = ch == QStringLiteral("\n") ? std::string("\r\n") : ch.toUtf8().toStdString();
    if (out.size() + bytes.size() > capacity) break;
    out += bytes;
    i += units;
  }
  return out;
}

QString CommentTextFromBytes(const std::string& bytes) {
  const QByteArray raw = QByteArray::fromStdString(bytes);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8.decode(raw);
  if (utf8.hasError()) text = QString::fromLatin1(raw);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace ondrel
