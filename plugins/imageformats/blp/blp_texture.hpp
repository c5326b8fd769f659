// A BLP texture read through the codec library's length-taking exports, for callers outside the
// viewer (the Qt image plugin, the thumbnailer): header facts and level sizes without decoding,
// one level decoded on demand, and writing a texture from 32-bit pixels. No Qt here, so the
// fuzz target runs the same code.
//
// Reads every BLP the library reads. Refuses, before allocating, headers beyond the viewer's
// limits: more than 16384 x 16384 pixels, a side above 65535, or level 0 larger than the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "ormel_blp.h"

namespace ondrel::texture {

// A file refused or a level that cannot be decoded; the message names the reason.
class TextureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Size {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool operator==(const Size&) const = default;
};

// Packed rows, top first, blue-green-red-alpha.
struct Pixels {
  Size size;
  std::vector<std::uint8_t> bgra;
};

// True when the bytes start with "BLP1" or "BLP2".
bool HasBlpSignature(std::span<const std::uint8_t> bytes);

class BlpTexture {
 public:
  // Nothing when the bytes carry no BLP signature; throws TextureError for a BLP file it
  // refuses. The texture refers to `file`, which must outlive it.
  static std::optional<BlpTexture> Open(std::span<const std::uint8_t> file);

  const TBLPHeader& header() const { return header_; }
  bool isBlp1() const { return header_.Signature[3] == '1'; }
  bool isJpeg() const { return isBlp1() && header_.Compression == 0; }

  // Whether the viewer shows the texture with its alpha channel: BLP1 JPEG with alpha bits,
  // BLP1 paletted with alpha bits and a picture type below 5, BLP2 with a non-zero alpha depth.
  bool hasAlpha() const;

  // Levels stored in the file: level 0 and each following table entry up to the full chain
  // that has data inside the file and is not a repeat of the entry before it (writers fill
  // the table beyond their last level with copies of it).
  int levelCount() const { return levelCount_; }

  // The size of a level from the header alone, as the library derives it.
  Size levelSize(int level) const;

  // The pixels decode(level) allocates before it decodes: the level's own size (the library
  // refuses a JPEG frame of any other size). Callers with a memory limit check this first.
  Size decodeBufferSize(int level) const { return levelSize(level); }

  // Decodes one level (0 .. levelCount() - 1). Throws TextureError for what the library
  // refuses or decodes nothing of.
  Pixels decode(int level) const;

 private:
  BlpTexture(std::span<const std::uint8_t> file, const TBLPHeader& header);

  std::span<const std::uint8_t> file_;
  TBLPHeader header_{};
  int levelCount_ = 1;
};

enum class WriteKind { Dxt, Jpeg };

struct WriteOptions {
  WriteKind kind = WriteKind::Dxt;
  int jpegQuality = 85;  // the viewer's default
};

// A BLP file of the pixels with the full mipmap chain: BLP2 DXT (DXT5 when `withAlpha`, else
// DXT1) or BLP1 JPEG. Throws TextureError for an empty image or one beyond the limits.
std::vector<std::uint8_t> WriteBlp(const Pixels& pixels, bool withAlpha,
                                   const WriteOptions& options);

}  // namespace ondrel::texture
