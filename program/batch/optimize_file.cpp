#include "optimize_file.hpp"

#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "image_access.hpp"

namespace ondrel::batch {
namespace {

std::int64_t SizeOf(const QString& path) { return QFileInfo(path).size(); }

}  // namespace

OptimizeOutcome OptimizeFileInPlace(const QString& given) {
  // Through a symbolic link the file it names is rewritten; the link stays a link.
  const QFileInfo link(given);
  const QString path = link.isSymLink() && link.exists() ? link.canonicalFilePath() : given;
  OptimizeOutcome outcome;
  const std::uint8_t kind = ClassifyForOptimization(path);
  if (kind == 0)
    outcome.kind = OptimizeKind::BlpJpeg;
  else if (kind == 1)
    outcome.kind = OptimizeKind::BlpPaletted;
  else
    return outcome;

  const QFileInfo info(path);
  QTemporaryFile scratch(info.absolutePath() + "/." + info.fileName() + ".XXXXXX");
  if (!scratch.open()) throw BatchError("cannot make a temporary file beside it");
  const QString temp = scratch.fileName();
  scratch.close();

  const std::int64_t before = SizeOf(path);
  if (outcome.kind == OptimizeKind::BlpJpeg) {
    OptimizeJpegBlp(path, temp);
  } else if (ResavePalettedBlp(path, temp) > 0) {
    ResavePalettedBlp(temp, temp);
  }
  const std::int64_t saved = before - SizeOf(temp);
  if (saved <= 0) return outcome;  // the scratch file goes; the file stays as it was

  const QByteArray from = QFile::encodeName(temp), to = QFile::encodeName(path);
  struct stat st {};
  if (::stat(to.constData(), &st) == 0) ::chmod(from.constData(), st.st_mode & 07777);
  if (std::rename(from.constData(), to.constData()) != 0)
    throw BatchError(std::string("cannot replace the file: ") + std::strerror(errno));
  outcome.saved = saved;
  outcome.rewritten = true;
  return outcome;
}

}  // namespace ondrel::batch
