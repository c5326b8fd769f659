#include "load_failure.hpp"

#include <QByteArray>

#include "file_lists.hpp"
#include "file_read.hpp"
#include "picture_formats.hpp"

namespace ondrel {
namespace {

LoadFailure::Kind KindOf(FileProblem problem) {
  switch (problem) {
    case FileProblem::Missing: return LoadFailure::Kind::Missing;
    case FileProblem::AccessDenied: return LoadFailure::Kind::AccessDenied;
    case FileProblem::Folder: return LoadFailure::Kind::Folder;
    case FileProblem::NotRegular: return LoadFailure::Kind::NotRegular;
    case FileProblem::TooLarge: return LoadFailure::Kind::TooLarge;
    case FileProblem::Unreadable: break;
  }
  return LoadFailure::Kind::Unreadable;
}

// The format a file's first bytes announce; empty for none we know (TGA has no signature).
QString SniffedFormat(const QByteArray& head) {
  if (head.startsWith("\x89PNG\r\n\x1a\n")) return "PNG";
  if (head.startsWith("\xFF\xD8\xFF")) return "JPEG";
  if (head.startsWith("BLP1") || head.startsWith("BLP2")) return "BLP";
  if (head.startsWith("DDS ")) return "DDS";
  if (head.startsWith("BM")) return "BMP";
  return {};
}

}  // namespace

QString FormatNameOfExtension(const QString& extension) {
  if (extension == ".jpg" || extension == ".jpeg") return "JPEG";
  if (FindPictureFormat(extension) == nullptr) return {};
  return extension.mid(1).toUpper();
}

LoadFailure DescribeLoadError(const std::exception& error) {
  LoadFailure failure;
  failure.detail = QString::fromUtf8(error.what());
  if (const auto* read = dynamic_cast<const FileReadError*>(&error)) failure.kind = KindOf(read->problem());
  return failure;
}

LoadFailure WhyNoPicture(const QString& fileName) {
  LoadFailure failure;
  const QString extension = LowerExtension(fileName);
  failure.claimed = FormatNameOfExtension(extension);
  if (failure.claimed.isEmpty()) {
    failure.kind = LoadFailure::Kind::UnknownExtension;
    failure.claimed = extension;
    return failure;
  }
  QByteArray head;
  try {
    head = ReadFileHead(fileName, 8);
  } catch (const FileReadError& error) {
    LoadFailure read = DescribeLoadError(error);
    read.claimed = failure.claimed;
    return read;
  }
  failure.actual = SniffedFormat(head);
  failure.kind = !failure.actual.isEmpty() && failure.actual != failure.claimed ? LoadFailure::Kind::OtherFormat
                                                                                : LoadFailure::Kind::NotRecognised;
  return failure;
}

}  // namespace ondrel
