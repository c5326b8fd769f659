#include "atomic_file.hpp"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace ondrel {
namespace {

[[noreturn]] void Fail(const char* action, const std::string& path, int error) {
  throw FileError(std::string("cannot ") + action + " " + path + ": " + std::strerror(error));
}

// The temporary file: closed and removed unless it was renamed over the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    path_ = folder + "." + name + ".XXXXXX";
    std::vector<char> templ(path_.begin(), path_.end());
    templ.push_back('\0');
    fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
    if (fd_ < 0) Fail("create a temporary file for", target, errno);
    path_.assign(templ.data());
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  int close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }
  void renamedAway() { path_.clear(); }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace

QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw FileError("cannot open " + path.toStdString() + ": " + file.errorString().toStdString());
  QByteArray bytes = file.readAll();
  if (bytes.size() != file.size())
    throw FileError("cannot read " + path.toStdString());
  return bytes;
}

// Not QSaveFile: it reports success after a short write (seen with a file-size limit).
void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  const std::string target = QFile::encodeName(path).toStdString();
  TemporaryFile temp(target);
  // An existing file keeps its permissions; a new one gets the usual 0666 less the umask.
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(temp.fd(), mode) != 0) Fail("set the permissions of", temp.path(), errno);
  const char* data = bytes.constData();
  std::size_t left = std::size_t(bytes.size());
  while (left > 0) {
    const ssize_t n = ::write(temp.fd(), data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("write", temp.path(), n < 0 ? errno : ENOSPC);
    data += n;
    left -= std::size_t(n);
  }
  if (::fsync(temp.fd()) != 0) Fail("write", temp.path(), errno);
  if (temp.close() != 0) Fail("write", temp.path(), errno);
  if (::rename(temp.path().c_str(), target.c_str()) != 0) Fail("replace", target, errno);
  temp.renamedAway();
}

}  // namespace ondrel
