// Whole-file reads that never wait and never grow without bound. A file is opened without
// blocking (a FIFO would wait for a writer for good), then checked on the opened descriptor
// itself, so what is read is what was checked: only regular files are read, and none larger
// than kMaxFileBytes. Other kinds are refused at once with the reason.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

#include "image_errors.hpp"

namespace ondrel {

// The largest file a 16384 x 16384 image can need in any format we read (uncompressed 32-bit
// BLP2 or DDS with its full mipmap chain: 4/3 GiB; 32-bit TGA with one run-length packet per
// pixel: 5/4 GiB), with headroom: 1.5 GiB.
inline constexpr std::uint64_t kMaxFileBytes = 1536ull << 20;

// Why a file could not be read, for callers that word it for the user.
enum class FileProblem { Missing, AccessDenied, Folder, NotRegular, TooLarge, Unreadable };

// what() is the reason alone ("no such file", "permission denied", ...): callers name the file.
class FileReadError : public FileError {
 public:
  FileReadError(FileProblem problem, const std::string& reason) : FileError(reason), problem_(problem) {}
  FileProblem problem() const { return problem_; }

 private:
  FileProblem problem_;
};

// Opens `path` into `file` (read-only, over a descriptor checked as above), or throws
// FileReadError. The file's size() is its size at the check.
void OpenRegularFile(const QString& path, QFile& file);

// The whole file; throws FileReadError. A file that changes size while it is read is refused.
QByteArray ReadWholeFile(const QString& path);

// At most the first `count` bytes; throws FileReadError.
QByteArray ReadFileHead(const QString& path, qint64 count);

}  // namespace ondrel
