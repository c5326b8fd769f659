#include "blp1_files.hpp"

#include <algorithm>

#include "atomic_file.hpp"
#include "blp1_optimize.hpp"
#include "blp1_palette_trim.hpp"
#include "file_read.hpp"

namespace ondrel {
namespace {

std::span<const std::uint8_t> Span(const QByteArray& b) {
  return {reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())};
}

// The first 156 bytes of a file image, which must be a BLP1 file.
Blp1Header HeaderOf(const QByteArray& bytes, const QString& name) {
  if (bytes.size() < qsizetype(kBlp1HeaderSize) || !bytes.startsWith("BLP1"))
    throw FileError("not a BLP1 file: " + name.toStdString());
  Blp1Header header;
  std::copy(bytes.begin(), bytes.begin() + qsizetype(kBlp1HeaderSize), header.begin());
  return header;
}

// A rewrite onto the source itself (by any name) is in place: a file of several names is
// refused there rather than split. A different target is a save to a chosen name.
void StoreResult(const QString& source, const QString& target, const QByteArray& bytes) {
  if (IsSameFile(source, target))
    RewriteFileInPlace(target, bytes);
  else
    WriteFileAtomically(target, bytes);
}

}  // namespace

std::uint8_t ClassifyForOptimization(const QString& fileName) {
  const QByteArray head = ReadFileHead(fileName, 8);
  if (head.size() < 4) throw FileError("the file is too short: " + fileName.toStdString());
  if (!head.startsWith("BLP1")) return 255;
  if (head.size() < 8) throw FileError("the file is too short: " + fileName.toStdString());
  return std::uint8_t(head[4]);
}

Blp1Header ReadBlp1Header(const QString& fileName) {
  return HeaderOf(ReadFileHead(fileName, kBlp1HeaderSize), fileName);
}

QByteArray OptimizedJpegBlp(const QByteArray& file) {
  const auto optimized = OptimizeJpegBlpImage(Span(file));
  return QByteArray(reinterpret_cast<const char*>(optimized.data()), qsizetype(optimized.size()));
}

QByteArray ResavedPalettedBlp(const QByteArray& file, const QString& name) {
  if (!file.startsWith("BLP1")) throw FileError("not a BLP1 file: " + name.toStdString());
  const auto trimmed = TrimPalettedBlpImage(Span(file));
  return QByteArray(reinterpret_cast<const char*>(trimmed.data()), qsizetype(trimmed.size()));
}

namespace {

// The target is written only with a complete file smaller than the source; otherwise it is
// left as it was (and not made when it is another file).
std::int32_t WriteWhenSmaller(const QString& source, const QString& target, const QByteArray& before,
                              const QByteArray& after) {
  const std::int64_t saved = std::int64_t(before.size()) - std::int64_t(after.size());
  if (saved <= 0) return 0;
  StoreResult(source, target, after);
  return std::int32_t(saved);
}

}  // namespace

std::int32_t OptimizeJpegBlp(const QString& source, const QString& target) {
  const QByteArray bytes = ReadWholeFile(source);
  return WriteWhenSmaller(source, target, bytes, OptimizedJpegBlp(bytes));
}

std::int32_t ResavePalettedBlp(const QString& source, const QString& target) {
  const QByteArray bytes = ReadWholeFile(source);
  return WriteWhenSmaller(source, target, bytes, ResavedPalettedBlp(bytes, source));
}

void StoreMipmapTables(const Blp1Header& header, const QString& source, const QString& target) {
  QByteArray bytes = ReadWholeFile(source);
  if (bytes.size() < qsizetype(kBlp1HeaderSize)) throw FileError("not a BLP1 file: " + source.toStdString());
  std::copy(header.begin() + kBlp1OffsetsAt, header.begin() + kBlp1HeaderSize,
            bytes.begin() + kBlp1OffsetsAt);
  StoreResult(source, target, bytes);
}

}  // namespace ondrel
