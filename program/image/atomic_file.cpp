#include "atomic_file.hpp"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ondrel {
namespace {

// Temporaries of a crashed rewrite younger than this may still belong to a running one.
constexpr std::time_t kStaleAfterSeconds = 60;
constexpr std::size_t kSuffixLength = 6;  // as mkostemp's XXXXXX
constexpr std::size_t kNameMax = 255;
constexpr int kMaxLinkHops = 40;  // as the kernel's own limit
// Marks a temporary as ours: the sweep touches nothing a user might have named.
constexpr char kTemporaryMark[] = ".ondrel-tmp-";

// The process umask, read without changing it: umask() can only be read by setting it, which
// races with every other thread creating files. Read once, before main when /proc is missing
// (no thread exists yet then).
mode_t ReadUmask() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned value = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &value) == 1;
    std::fclose(status);
    if (found) return mode_t(value) & 0777;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

const mode_t kProcessUmask = ReadUmask();

struct SplitName {
  std::string folder;  // "." when the path has no folder
  std::string name;
};

SplitName Split(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The file a path finally names: symbolic links in its last part followed (a dangling link
// gives the name it points to, which is then created). Errno on a loop.
int ResolveLinks(std::string& path) {
  for (int hop = 0;; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    if (hop == kMaxLinkHops) return ELOOP;
    std::string link(std::size_t(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return errno;
    if (std::size_t(n) >= link.size()) return ENAMETOOLONG;  // grew since lstat: try no further
    link.resize(std::size_t(n));
    if (link.empty()) return ENOENT;
    path = link.front() == '/' ? link : Split(path).folder + "/" + link;
  }
}

// ".tex.blp.ondrel-tmp-" for "tex.blp"; the name is cut where the whole would pass the
// file-name limit.
std::string TemporaryStem(const std::string& name) {
  const std::size_t room = kNameMax - kSuffixLength - (sizeof kTemporaryMark - 1) - 1;
  return "." + name.substr(0, room) + kTemporaryMark;
}

bool IsTemporaryOf(const std::string& entry, const std::string& stem) {
  if (entry.size() != stem.size() + kSuffixLength || entry.compare(0, stem.size(), stem) != 0) return false;
  for (std::size_t i = stem.size(); i < entry.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

std::string UniqueName(const std::string& stem) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string out = stem;
  for (std::size_t i = 0; i < kSuffixLength; ++i) out += kChars[random() % (sizeof kChars - 1)];
  return out;
}

// Debris of this user's earlier rewrites of the same target that were killed before their
// rename. Another user's debris is left alone, even where the folder would let us remove it.
void RemoveStaleTemporaries(const SplitName& target) {
  DIR* dir = ::opendir(target.folder.c_str());
  if (dir == nullptr) return;
  const std::string stem = TemporaryStem(target.name);
  const std::time_t now = std::time(nullptr);
  const uid_t self = ::geteuid();
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryOf(entry->d_name, stem)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode) && st.st_uid == self && st.st_mtime + kStaleAfterSeconds < now)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// The extended attributes of a file, names and values; empty where it has none or the file
// system keeps none.
std::vector<std::pair<std::string, std::string>> ExtendedAttributes(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> out;
  std::string names;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size <= 0) return out;
    names.assign(std::size_t(size), '\0');
    const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
    if (got >= 0) {
      names.resize(std::size_t(got));
      break;
    }
    if (errno != ERANGE) return out;
    names.clear();  // the list grew in between: ask again
  }
  for (std::size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    const ssize_t size = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) continue;
    std::string value(std::size_t(size), '\0');
    const ssize_t got = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (got < 0) continue;
    value.resize(std::size_t(got));
    out.emplace_back(name, std::move(value));
  }
  return out;
}

// Gives the new file what the replaced one had, as far as this process may: owner and group
// first (a change of owner clears set-id bits), then the mode, then the extended attributes
// with the access ACL. Only the mode is required; the rest is kept where permitted.
int TakeOverFileFacts(int fd, const std::string& original, const struct stat& st) {
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, uid_t(-1), st.st_gid);
  if (::fchmod(fd, st.st_mode & 07777) != 0) return errno;
  bool hasAccessAcl = false;
  for (const auto& [name, value] : ExtendedAttributes(original)) {
    hasAccessAcl = hasAccessAcl || name == "system.posix_acl_access";
    (void)::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0);
  }
  // An ACL inherited from the folder's default would grant what the original did not.
  if (!hasAccessAcl) (void)::fremovexattr(fd, "system.posix_acl_access");
  return 0;
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
  explicit PendingFile(const SplitName& target) : folder_(target.folder), stem_(TemporaryStem(target.name)) {
    if (::access("/proc/self/fd", X_OK) == 0) {
      fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
      // Not supported here: fall back to a named temporary. Real errors are reported.
      if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error_ = errno;
        return;
      }
    }
    if (fd_ < 0) {
      std::string templ = folder_ + "/" + stem_ + "XXXXXX";
      fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
      if (fd_ < 0) {
        error_ = errno;
        return;
      }
      path_ = templ;
    }
  }
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  int error() const { return error_; }
  int fd() const { return fd_; }

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
        const std::string candidate = folder_ + "/" + UniqueName(stem_);
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
  std::string folder_, stem_;
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

// Not QSaveFile: it reports success after a short write (seen with a file-size limit), and
// replaces a symbolic link by a file.
void Write(const QString& path, const QByteArray& bytes, bool inPlace) {
  const std::string shown = path.toStdString();
  std::string target = QFile::encodeName(path).toStdString();
  if (const int error = ResolveLinks(target)) throw FileError(shown + ": " + Describe(error) + "; nothing was written");
  const SplitName split = Split(target);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  auto fail = [&](int error) {
    throw FileError(shown + ": " + Describe(error) + (exists ? "; the file is unchanged" : "; nothing was written"));
  };
  if (inPlace && exists && S_ISREG(st.st_mode) && st.st_nlink > 1)
    throw FileError(shown + ": the file has " + std::to_string(st.st_nlink) +
                    " names (hard links), and rewriting it would part them; the file is unchanged");

  RemoveStaleTemporaries(split);
  PendingFile pending(split);
  if (pending.error() != 0) fail(pending.error());
  // An existing file keeps its owner, mode and attributes; a new one gets 0666 less the umask.
  const int facts = exists ? TakeOverFileFacts(pending.fd(), target, st)
                           : (::fchmod(pending.fd(), 0666 & ~kProcessUmask) == 0 ? 0 : errno);
  if (facts != 0) fail(facts);
  if (const int error = pending.Write(bytes)) fail(error);
  if (const int error = pending.Replace(target)) fail(error);
  if (const int error = SyncFolder(split.folder))
    throw FileError(shown + ": written, but the folder could not be flushed to disk (" + Describe(error) +
                    "); a power loss may undo the change");
}

}  // namespace

void WriteFileAtomically(const QString& path, const QByteArray& bytes) { Write(path, bytes, false); }

void RewriteFileInPlace(const QString& path, const QByteArray& bytes) { Write(path, bytes, true); }

bool IsSameFile(const QString& a, const QString& b) {
  struct stat sa {}, sb {};
  return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace ondrel
