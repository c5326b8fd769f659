#include "file_read.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ondrel {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

[[noreturn]] void FailOpen(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: throw FileReadError(FileProblem::Missing, "no such file");
    case EACCES:
    case EPERM: throw FileReadError(FileProblem::AccessDenied, "permission denied");
    case EISDIR: throw FileReadError(FileProblem::Folder, "a folder, not a file");
    case ELOOP: throw FileReadError(FileProblem::Missing, "a symbolic link that leads nowhere (a loop)");
    case ENXIO:  // a socket, or a FIFO opened for writing only
      throw FileReadError(FileProblem::NotRegular, "a special file, not a regular file; only regular files are read");
    default: throw FileReadError(FileProblem::Unreadable, std::string("cannot be read: ") + std::strerror(error));
  }
}

// The descriptor, checked; the caller owns it.
int OpenChecked(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  if (name.isEmpty()) throw FileReadError(FileProblem::Missing, "no such file");
  // O_NONBLOCK: opening a FIFO without a writer returns at once instead of waiting for one.
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) FailOpen(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    FailOpen(error);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw FileReadError(FileProblem::Folder, "a folder, not a file");
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw FileReadError(FileProblem::NotRegular,
                        std::string(KindOf(st.st_mode)) + ", not a regular file; only regular files are read");
  }
  if (std::uint64_t(st.st_size) > kMaxFileBytes) {
    ::close(fd);
    throw FileReadError(FileProblem::TooLarge, "larger than 1.5 GiB, more than any image this program opens");
  }
  // O_NONBLOCK stays: real files ignore it, and pseudo-files that call themselves regular
  // (/proc/kmsg) would otherwise wait for data for ever.
  return fd;
}

}  // namespace

void OpenRegularFile(const QString& path, QFile& file) {
  const int fd = OpenChecked(path);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw FileReadError(FileProblem::Unreadable, "cannot be read: " + file.errorString().toStdString());
  }
}

QByteArray ReadWholeFile(const QString& path) {
  QFile file;
  OpenRegularFile(path, file);
  const qint64 size = file.size();
  // read(size) allocates no more than the checked size, however the file changes meanwhile.
  QByteArray bytes = file.read(size);
  if (bytes.size() != size || !file.atEnd())
    throw FileReadError(FileProblem::Unreadable, "cannot be read to its end (it changed while it was read)");
  return bytes;
}

QByteArray ReadFileHead(const QString& path, qint64 count) {
  QFile file;
  OpenRegularFile(path, file);
  return file.read(std::min(count, file.size()));
}

}  // namespace ondrel
