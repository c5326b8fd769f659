#include "blp1_files.hpp"

#include <QBuffer>
#include <QFile>

#include <algorithm>

#include "ImgUtils.hpp"
#include "atomic_file.hpp"
#include "blp1_comment.hpp"
#include "blp1_levels.hpp"
#include "blp1_optimize.hpp"
#include "om_blp.hpp"

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
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) throw FileError("cannot open " + fileName.toStdString());
  const QByteArray head = file.read(8);
  if (head.size() < 4) throw FileError("the file is too short: " + fileName.toStdString());
  if (!head.startsWith("BLP1")) return 255;
  if (head.size() < 8) throw FileError("the file is too short: " + fileName.toStdString());
  return std::uint8_t(head[4]);
}

Blp1Header ReadBlp1Header(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) throw FileError("cannot open " + fileName.toStdString());
  return HeaderOf(file.read(kBlp1HeaderSize), fileName);
}

QByteArray OptimizedJpegBlp(const QByteArray& file) {
  const auto optimized = OptimizeJpegBlpImage(Span(file));
  return QByteArray(reinterpret_cast<const char*>(optimized.data()), qsizetype(optimized.size()));
}

QByteArray ResavedPalettedBlp(const QByteArray& file, const QString& name) {
  const Blp1Header head = HeaderOf(file, name);
  // The encoder writes fresh mipmap tables; the comment in their unused entries is carried over.
  const std::string comment = ReadBlpComment(head);
  TBLPBitmap blp;
  {
    QBuffer source;
    source.setData(file);
    source.open(QIODevice::ReadOnly);
    blp.LoadFromStream(source);
  }
  if (blp.empty()) throw FileError("cannot decode " + name.toStdString());
  // Exactly the levels the file has, wherever they are stored; copies and empty entries are
  // not levels.
  const int n = MipmapCountFor(std::uint16_t(blp.Width), std::uint16_t(blp.Height));
  const auto kinds = ClassifyLevelEntries(head, std::uint64_t(file.size()), n);
  const std::uint32_t levels = std::uint32_t(std::count(kinds.begin() + 1, kinds.end(), LevelEntry::Level));
  blp.Signature = kSignatureBlp1;
  blp.Compression = 1;
  blp.SaveMipmapsMinus1 = levels;
  blp.SaveColorsOrQuality = std::clamp<std::uint32_t>(CountColors(blp), 1, 256);
  blp.SaveFlagA = true;
  blp.SaveFlagB = false;
  blp.HasAlpha = blp.pixelFormat() == PixelFormat::Bit32;
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    blp.SaveToStream(buffer);
  }
  if (!comment.empty() && bytes.size() >= qsizetype(kBlp1HeaderSize)) {
    std::span<std::uint8_t, kBlp1HeaderSize> header(reinterpret_cast<std::uint8_t*>(bytes.data()),
                                                    kBlp1HeaderSize);
    WriteBlpComment(header, comment);
  }
  return bytes;
}

std::int32_t OptimizeJpegBlp(const QString& source, const QString& target) {
  const QByteArray bytes = ReadWholeFile(source);
  const QByteArray optimized = OptimizedJpegBlp(bytes);
  StoreResult(source, target, optimized);
  return std::int32_t(std::int64_t(bytes.size()) - std::int64_t(optimized.size()));
}

std::int32_t ResavePalettedBlp(const QString& source, const QString& target) {
  const QByteArray bytes = ReadWholeFile(source);
  const QByteArray resaved = ResavedPalettedBlp(bytes, source);
  StoreResult(source, target, resaved);
  return std::int32_t(std::int64_t(bytes.size()) - std::int64_t(resaved.size()));
}

void StoreMipmapTables(const Blp1Header& header, const QString& source, const QString& target) {
  QByteArray bytes = ReadWholeFile(source);
  if (bytes.size() < qsizetype(kBlp1HeaderSize)) throw FileError("not a BLP1 file: " + source.toStdString());
  std::copy(header.begin() + kBlp1OffsetsAt, header.begin() + kBlp1HeaderSize,
            bytes.begin() + kBlp1OffsetsAt);
  StoreResult(source, target, bytes);
}

}  // namespace ondrel
