#include "atomic_file.hpp"

#include <QFile>
#include <QSaveFile>

namespace ondrel {

QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw FileError("cannot open " + path.toStdString() + ": " + file.errorString().toStdString());
  QByteArray bytes = file.readAll();
  if (bytes.size() != file.size())
    throw FileError("cannot read " + path.toStdString());
  return bytes;
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw FileError("cannot create " + path.toStdString() + ": " + file.errorString().toStdString());
  // QSaveFile discards the temporary file when it is destroyed without a commit.
  if (file.write(bytes) != bytes.size() || !file.commit())
    throw FileError("cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
}

}  // namespace ondrel
