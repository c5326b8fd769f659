#include "atomic_file.hpp"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace ondrel {
namespace {

// Temporaries of a crashed rewrite younger than this may still belong to a running one.
constexpr std::time_t kStaleAfterSeconds = 60;
constexpr std::size_t kSuffixLength = 6;  // as mkostemp's XXXXXX

struct SplitName {
  std::string folder;  // "." when the path has no folder
  std::string name;
};

SplitName Split(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// ".tex.blp.Ab12Cd" for "tex.blp": what mkostemp and UniqueName make, nothing else.
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  const std::string prefix = "." + name + ".";
  if (entry.size() != prefix.size() + kSuffixLength || entry.compare(0, prefix.size(), prefix) != 0)
    return false;
  for (std::size_t i = prefix.size(); i < entry.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

std::string UniqueName(const std::string& name) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string out = "." + name + ".";
  for (std::size_t i = 0; i < kSuffixLength; ++i) out += kChars[random() % (sizeof kChars - 1)];
  return out;
}

// Debris of earlier rewrites of the same target that were killed before their rename.
void RemoveStaleTemporaries(const SplitName& target) {
  DIR* dir = ::opendir(target.folder.c_str());
  if (dir == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryOf(entry->d_name, target.name)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode) && st.st_mtime + kStaleAfterSeconds < now)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

std::string Describe(int error) {
  switch (error) {
    case ENOSPC: return "no space left on the device";
    case EDQUOT: return "the disk quota is used up";
    case EFBIG: return "the file would exceed the file-size limit";
    case EACCES:
    case EPERM: return "permission denied";
    case EROFS: return "the file system is read-only";
    case EIO: return "an input/output error occurred";
    case ENOENT: return "the folder does not exist";
    case ENOTDIR: return "a part of the path is not a folder";
    case EISDIR: return "it is a folder";
    default: {
      std::string text = std::strerror(error);
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return text;
    }
  }
}

// The file being written: unnamed (O_TMPFILE) until complete where the file system allows,
// else a hidden named temporary. Closed, and removed unless it replaced the target.
class PendingFile {
 public:
  PendingFile(const SplitName& target, mode_t mode) : folder_(target.folder), name_(target.name) {
    if (::access("/proc/self/fd", X_OK) == 0) {
      fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
      // Not supported here: fall back to a named temporary. Real errors are reported.
      if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error_ = errno;
        return;
      }
    }
    if (fd_ < 0) {
      std::string templ = folder_ + "/." + name_ + ".XXXXXX";
      fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
      if (fd_ < 0) {
        error_ = errno;
        return;
      }
      path_ = templ;
    }
    if (::fchmod(fd_, mode) != 0) error_ = errno;
  }
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  int error() const { return error_; }

  int Write(const QByteArray& bytes) {
    const char* data = bytes.constData();
    std::size_t left = std::size_t(bytes.size());
    while (left > 0) {
      const ssize_t n = ::write(fd_, data, left);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) return ENOSPC;
      data += n;
      left -= std::size_t(n);
    }
    return ::fsync(fd_) == 0 ? 0 : errno;
  }

  // Gives an unnamed file its hidden name, then renames it over the target.
  int Replace(const std::string& target) {
    if (path_.empty()) {
      const std::string self = "/proc/self/fd/" + std::to_string(fd_);
      for (int attempt = 0; path_.empty(); ++attempt) {
        const std::string candidate = folder_ + "/" + UniqueName(name_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
          path_ = candidate;
        else if (errno != EEXIST || attempt == 100)
          return errno;
      }
    }
    // Some file systems report a failed write only when the file is closed.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) return errno;
    if (::rename(path_.c_str(), target.c_str()) != 0) return errno;
    path_.clear();
    return 0;
  }

 private:
  std::string folder_, name_;
  std::string path_;  // empty while unnamed, and after the rename
  int fd_ = -1;
  int error_ = 0;
};

// Makes the rename itself durable; file systems that cannot sync a folder say EINVAL.
int SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;  // a folder we may write but not read: nothing more we can do
  int error = 0;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) error = errno;
  ::close(fd);
  return error;
}

}  // namespace

// Not QSaveFile: it reports success after a short write (seen with a file-size limit).
void WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  const std::string target = QFile::encodeName(path).toStdString();
  const std::string shown = path.toStdString();
  const SplitName split = Split(target);
  // An existing file keeps its permissions; a new one gets the usual 0666 less the umask.
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  auto fail = [&](int error) {
    throw FileError(shown + ": " + Describe(error) + (exists ? "; the file is unchanged" : "; nothing was written"));
  };

  RemoveStaleTemporaries(split);
  PendingFile pending(split, mode);
  if (pending.error() != 0) fail(pending.error());
  if (const int error = pending.Write(bytes)) fail(error);
  if (const int error = pending.Replace(target)) fail(error);
  if (const int error = SyncFolder(split.folder))
    throw FileError(shown + ": written, but the folder could not be flushed to disk (" + Describe(error) +
                    "); a power loss may undo the change");
}

}  // namespace ondrel
