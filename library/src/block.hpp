// An output file image allocated with the library's allocator (malloc), handed to the caller
// through the flat exports and released only by BLP_FreeMem (free).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "ormel_errors.hpp"

namespace ormel {

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};

class Block {
 public:
  Block() = default;
  // Takes ownership of memory obtained from malloc (libjpeg's memory destination uses malloc).
  Block(std::uint8_t* adopted, std::size_t size) : data_(adopted), size_(size) {}

  static Block Allocate(std::size_t size) {
    // malloc(0) may return null; always hand out a real block.
    auto* p = static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
    if (p == nullptr) throw OutOfMemory("ormel: cannot allocate an output block");
    return Block(p, size);
  }

  std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  std::span<std::uint8_t> bytes() const { return {data_.get(), size_}; }
  explicit operator bool() const { return data_ != nullptr; }

  // Gives up ownership, for the flat exports.
  std::uint8_t* release() { return data_.release(); }

  // Keeps the first n bytes (n <= size), for encoders that reserve a worst case.
  void shrink(std::size_t n) {
    if (n >= size_) return;
    if (auto* p = static_cast<std::uint8_t*>(std::realloc(data_.get(), n == 0 ? 1 : n))) {
      data_.release();
      data_.reset(p);
    }
    size_ = n;
  }

 private:
  std::unique_ptr<std::uint8_t, FreeDeleter> data_;
  std::size_t size_ = 0;
};

}  // namespace ormel
