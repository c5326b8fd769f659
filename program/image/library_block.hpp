// The codec library's side of every image class: blocks its encoders return, released only by
// BLP_FreeMem (the library and the program have separate heaps), and the translation of the
// library's exceptions into the image layer's errors.
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstdint>
#include <string>
#include <utility>

#include "image_errors.hpp"
#include "ormel_blp.h"
#include "ormel_errors.hpp"

namespace ondrel {

class LibraryBlock {
 public:
  LibraryBlock() = default;
  ~LibraryBlock() {
    if (data != nullptr) BLP_FreeMem(&data);
  }
  LibraryBlock(LibraryBlock&& other) noexcept
      : data(std::exchange(other.data, nullptr)), size(std::exchange(other.size, 0)) {}
  LibraryBlock& operator=(LibraryBlock&&) = delete;
  LibraryBlock(const LibraryBlock&) = delete;
  LibraryBlock& operator=(const LibraryBlock&) = delete;

  // The block's bytes without a copy; valid while the block lives.
  QByteArray view() const {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  }

  std::uint8_t* data = nullptr;  // filled by the encoder
  std::uint32_t size = 0;
};

// A file an image class encoded: bytes of its own (the TGA header, or a whole file made
// without the library), then the library's block.
struct EncodedFile {
  QByteArray head;
  LibraryBlock block;

  // Throws FileError when the stream takes less than everything.
  void writeTo(QIODevice& stream) const {
    if (stream.write(head) != head.size() ||
        (block.size != 0 && stream.write(block.view()) != qint64(block.size)))
      throw FileError("The file cannot be written: " + stream.errorString().toStdString());
  }
  // The whole file as one array; a block that is the whole file is not copied.
  QByteArray bytes() const {
    if (head.isEmpty()) return block.view();
    if (block.size == 0) return head;
    return head + block.view();
  }
};

namespace library_errors {
inline std::string Reason(const ormel::Error& e) {
  std::string text = e.what();
  if (text.rfind("ormel: ", 0) == 0) text.erase(0, 7);
  return text;
}
}  // namespace library_errors

// Runs a load export; its exceptions come back as ImageLoadError with the library's reason.
template <typename Call>
void LoadWithLibrary(const char* format, Call&& call) {
  try {
    call();
  } catch (const ormel::OutOfMemory&) {
    throw ImageLoadError(std::string("There is not enough memory to open this ") + format + " image.");
  } catch (const ormel::Error& e) {
    throw ImageLoadError(std::string("The ") + format + " file is damaged or unsupported (" +
                         library_errors::Reason(e) + ").");
  }
}

// Runs a save export; its exceptions come back as ImageSaveError, and an encoder that
// returned no block (settings it does not write) is one too.
template <typename Call>
void SaveWithLibrary(const char* format, const LibraryBlock& block, Call&& call) {
  try {
    call();
  } catch (const ormel::OutOfMemory&) {
    throw ImageSaveError(std::string("There is not enough memory to save this image as ") + format + ".");
  } catch (const ormel::Error& e) {
    throw ImageSaveError(std::string("The image cannot be saved as ") + format + " (" +
                         library_errors::Reason(e) + ").");
  }
  if (block.data == nullptr)
    throw ImageSaveError(std::string("The ") + format + " encoder does not write these settings.");
}

}  // namespace ondrel
