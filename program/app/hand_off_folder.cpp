#include "hand_off_folder.hpp"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace ondrel {

namespace {

bool IsAbsolute(const QByteArray& path) { return path.startsWith('/'); }

HandOffFolder Refused(const QByteArray& path, const QString& reason) {
  return {QByteArray(), QString::fromLocal8Bit(path) + ": " + reason};
}

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray ParentOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash <= 0 ? QByteArray("/") : path.left(slash);
}

}  // namespace

HandOffFolder PrivateHandOffFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (IsAbsolute(runtime)) return CheckedHandOffFolder(runtime + "/ondrel");
  QByteArray temporary = qgetenv("TMPDIR");
  if (!IsAbsolute(temporary)) temporary = "/tmp";
  while (temporary.size() > 1 && temporary.endsWith('/')) temporary.chop(1);
  if (temporary == "/") temporary.clear();
  return CheckedHandOffFolder(temporary + "/ondrel-" + QByteArray::number(::getuid()));
}

HandOffFolder CheckedHandOffFolder(const QByteArray& path) {
  const uid_t me = ::getuid();
  // The parent is followed: only the last step must be ours and no link.
  struct stat parent;
  if (::stat(ParentOf(path).constData(), &parent) != 0) return Refused(path, SystemError(errno));
  if (parent.st_uid != me && parent.st_uid != 0)
    return Refused(path, QStringLiteral("its parent folder belongs to another user"));
  if ((parent.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (parent.st_mode & S_ISVTX) == 0)
    return Refused(path, QStringLiteral("others may replace it (parent writable, not sticky)"));

  // mkdir first, then look: whoever made it first, what is there now decides.
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
    return Refused(path, SystemError(errno));
  struct stat folder;
  if (::lstat(path.constData(), &folder) != 0) return Refused(path, SystemError(errno));
  if (!S_ISDIR(folder.st_mode)) return Refused(path, QStringLiteral("not a folder"));
  if (folder.st_uid != me) return Refused(path, QStringLiteral("belongs to another user"));
  if ((folder.st_mode & 07777) != 0700)
    return Refused(path, QStringLiteral("mode %1, not 0700")
                             .arg(folder.st_mode & 07777, 4, 8, QChar('0')));
  return {path, QString()};
}

}  // namespace ondrel
