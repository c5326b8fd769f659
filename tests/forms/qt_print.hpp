// Lets GoogleTest show Qt texts as text when a comparison fails.
#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << '{' << list.join("\", \"").prepend('"').append('"').toStdString() << '}';
}
