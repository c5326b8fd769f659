// What the handler uses of Qt 6 that Qt 5 lacks, for the Qt 5 build of the same source (the
// build includes this header first; the Qt 6 build never sees it).
//
// QImageIOHandler::allocateImage (Qt 6) refuses images beyond QImageReader's allocation limit
// before anything is decoded. Qt 5 has no such limit: this stand-in applies Qt 6's default of
// 256 MiB, so a Qt 5 program is refused the same huge headers a Qt 6 one is. A member lookup
// that finds nothing in Qt 5's QImageIOHandler falls through to this namespace-level function.
#pragma once

#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QImage>
#include <QSize>

inline bool allocateImage(QSize size, QImage::Format format, QImage* image) {
  constexpr qint64 kLimitBytes = qint64(256) << 20;
  if (image == nullptr || size.isEmpty()) return false;
  const qint64 bytes = qint64(size.width()) * size.height() * 4;
  if (bytes > kLimitBytes) return false;
  *image = QImage(size, format);
  return !image->isNull();
}
#endif
