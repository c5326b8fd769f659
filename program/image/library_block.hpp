// A file image returned by one of the library's encoders, released only by BLP_FreeMem:
// the library and the program have separate heaps.
#pragma once

#include <QIODevice>

#include <cstdint>
#include <stdexcept>

#include "ormel_blp.h"

namespace ondrel {

class LibraryBlock {
 public:
  LibraryBlock() = default;
  ~LibraryBlock() {
    if (data != nullptr) BLP_FreeMem(&data);
  }
  LibraryBlock(const LibraryBlock&) = delete;
  LibraryBlock& operator=(const LibraryBlock&) = delete;

  // Writes the whole block; an encoder that returned nothing is an error.
  void writeTo(QIODevice& stream, const char* format) const {
    if (data == nullptr) throw std::runtime_error(std::string(format) + ": the encoder wrote nothing");
    if (stream.write(reinterpret_cast<const char*>(data), size) != qint64(size))
      throw std::runtime_error(std::string(format) + ": cannot write the file");
  }

  std::uint8_t* data = nullptr;  // filled by the encoder
  std::uint32_t size = 0;
};

}  // namespace ondrel
