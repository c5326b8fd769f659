// QImageIOHandler for BLP textures over the codec library: reads every level the library
// decodes (one image per stored mipmap level), writes BLP2 DXT or BLP1 JPEG with a full
// mipmap chain. Nothing thrown inside leaves the handler; a refused file is a failed read.
#pragma once

#include <QByteArray>
#include <QImageIOHandler>

#include <cstdint>
#include <optional>

#include "blp_texture.hpp"

class QBlpHandler : public QImageIOHandler {
 public:
  bool canRead() const override;
  bool read(QImage* image) override;
  bool write(const QImage& image) override;

  QVariant option(ImageOption option) const override;
  void setOption(ImageOption option, const QVariant& value) override;
  bool supportsOption(ImageOption option) const override;

  int imageCount() const override;
  bool jumpToImage(int imageNumber) override;
  bool jumpToNextImage() override;
  int currentImageNumber() const override;

  // "BLP1" or "BLP2" at the device's position; the position is left as it was. A file device
  // that is not a regular file (a FIFO, /dev/zero) is refused without reading.
  static bool canRead(QIODevice* device);

 private:
  // Whether `bytes` of pixels pass QImageReader's allocation limit (none when it is 0).
  static bool ExceedsAllocationLimit(std::uint64_t bytes);
  // The most the handler reads of a device: what an image within that limit can need.
  static qint64 FileLimit();

  // Reads the whole device and parses the header, once; false for a refused file.
  bool ensureOpen() const;

  enum class State { Unread, Ready, Failed };
  mutable State state_ = State::Unread;
  mutable QByteArray file_;
  mutable std::optional<ondrel::texture::BlpTexture> texture_;
  int level_ = 0;
  QByteArray subType_ = "dxt";
  int quality_ = -1;
};
