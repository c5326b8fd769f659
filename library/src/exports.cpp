// The flat C exports of ormel_blp: argument unpacking over the span-based core, nothing more.
// The unbounded loads carry no length; they trust the file's header as their callers always
// have. The *Ex twins bound every read and write by the lengths they are given; the BLP twin
// also refuses a level the file does not fully hold.
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "blp.hpp"
#include "dds.hpp"
#include "jpeg_codec.hpp"
#include "ormel_blp.h"
#include "tga.hpp"

namespace {

using ormel::Bytes;
using ormel::ConstBytes;

// The reach of a file image whose length the caller did not give: as far as memory goes.
ConstBytes Unbounded(const std::uint8_t* data) {
  const auto room = std::numeric_limits<std::uintptr_t>::max() / 2 -
                    reinterpret_cast<std::uintptr_t>(data);
  return {data, static_cast<std::size_t>(room)};
}

// Every failure leaves the library as an ormel::Error (a std::runtime_error), out-of-memory
// as ormel::OutOfMemory, so callers need one catch.
template <typename F>
void Guarded(F&& body) {
  try {
    body();
  } catch (const ormel::Error&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw ormel::OutOfMemory("ormel: out of memory");
  } catch (const std::exception& e) {
    // Argument checks deep in the core (resampler, quantizer) use standard exceptions.
    throw ormel::InvalidData(std::string("ormel: ") + e.what());
  }
}

void HandOver(ormel::Block block, std::uint8_t** data, std::uint32_t* size) {
  if (!block) return;
  if (block.size() > std::numeric_limits<std::uint32_t>::max())
    throw ormel::LimitExceeded("ormel: output file image exceeds 4 GiB");
  *size = static_cast<std::uint32_t>(block.size());
  *data = block.release();
}

// The unbounded loads read the sizes behind a signature only once the signature is there: of a
// file image without it nothing is known, not even that it has 20 bytes.
bool StartsWith(const std::uint8_t* data, const char (&signature)[5]) {
  return std::memcmp(data, signature, 4) == 0;
}

std::uint64_t HeaderPixelBytes(const std::uint8_t* data, std::size_t width_at, int bytes) {
  const std::uint64_t w = ormel::LoadU32LE(data + width_at);
  const std::uint64_t h = ormel::LoadU32LE(data + width_at + 4);
  return w * h * static_cast<std::uint64_t>(bytes);
}

Bytes Buffer(std::uint8_t* pixels, std::uint64_t size) {
  return {pixels, static_cast<std::size_t>(size)};
}

}  // namespace

extern "C" {

void GetLibraryVersion(std::uint16_t* major, std::uint16_t* minor, std::uint16_t* release,
                       std::uint16_t* build) {
  *major = 0;
  *minor = 4;
  *release = 0;
  *build = 209;
}

void BLP_FreeMem(std::uint8_t** block) {
  if (block != nullptr) std::free(*block);
}

void BLP_GetHeader(const std::uint8_t* data, TBLPHeader** header) {
  Guarded([&] { ormel::blp::GetHeader(Unbounded(data), **header); });
}

void BLP_GetHeaderEx(const std::uint8_t* data, std::size_t data_size, TBLPHeader* header) {
  Guarded([&] { ormel::blp::GetHeader(ConstBytes(data, data_size), *header); });
}

void BLP_LoadFromMemory(const std::uint8_t* data, std::uint16_t mipmap, std::uint8_t* pixels,
                        std::uint16_t* width, std::uint16_t* height) {
  if (!StartsWith(data, "BLP1") && !StartsWith(data, "BLP2")) return;
  Guarded([&] {
    // Both BLP versions keep the level-0 width and height at offsets 12 and 16.
    const auto capacity = HeaderPixelBytes(data, 12, 4);
    ormel::blp::Decode(Unbounded(data), mipmap, Buffer(pixels, capacity), *width, *height);
  });
}

void BLP_LoadFromMemoryEx(const std::uint8_t* data, std::size_t data_size, std::uint16_t mipmap,
                          std::uint8_t* pixels, std::size_t pixels_size, std::uint16_t* width,
                          std::uint16_t* height) {
  Guarded([&] {
    ormel::blp::Decode(ConstBytes(data, data_size), mipmap, Bytes(pixels, pixels_size), *width,
                       *height, ormel::blp::Bounds::Exact);
  });
}

void BLP_SaveToMemory(const std::uint8_t* pixels, TBLPHeader* header, std::uint8_t** data,
                      std::uint32_t* size) {
  Guarded([&] {
    const std::uint64_t bytes = std::uint64_t{header->Width} * header->Height * 4;
    HandOver(ormel::blp::Encode(ConstBytes(pixels, static_cast<std::size_t>(bytes)), *header),
             data, size);
  });
}

void JPG_LoadFromMemory(const std::uint8_t* data, std::uint32_t size, std::uint8_t* pixels,
                        std::uint16_t* width, std::uint16_t* height) {
  Guarded([&] {
    const ConstBytes file(data, size);
    const auto info = ormel::jpeg::ReadInfo(file);
    const std::uint64_t capacity = std::uint64_t{info.width} * info.height * 3;
    const auto frame =
        ormel::jpeg::Decode(file, ormel::jpeg::Mode::ThreeChannel, Buffer(pixels, capacity));
    *width = static_cast<std::uint16_t>(frame.width);
    *height = static_cast<std::uint16_t>(frame.height);
  });
}

void JPG_LoadFromMemoryEx(const std::uint8_t* data, std::size_t data_size, std::uint8_t* pixels,
                          std::size_t pixels_size, std::uint16_t* width, std::uint16_t* height) {
  Guarded([&] {
    const auto frame = ormel::jpeg::Decode(ConstBytes(data, data_size),
                                           ormel::jpeg::Mode::ThreeChannel,
                                           Bytes(pixels, pixels_size));
    *width = static_cast<std::uint16_t>(frame.width);
    *height = static_cast<std::uint16_t>(frame.height);
  });
}

void JPG_SaveToMemory(const std::uint8_t* pixels, std::uint16_t width, std::uint16_t height,
                      std::uint16_t quality, std::uint8_t progressive, std::uint8_t** data,
                      std::uint32_t* size) {
  Guarded([&] {
    const std::size_t bytes = std::size_t{width} * height * 3;
    HandOver(ormel::jpeg::Encode(ConstBytes(pixels, bytes), width, height, quality,
                                 progressive != 0, ormel::jpeg::Mode::ThreeChannel),
             data, size);
  });
}

void TGA_LoadFromMemory(const std::uint8_t* data, std::uint8_t* pixels) {
  Guarded([&] {
    ormel::tga::Decode(Unbounded(data), Buffer(pixels, ormel::tga::OutputBytes(data)));
  });
}

void TGA_LoadFromMemoryEx(const std::uint8_t* data, std::size_t data_size, std::uint8_t* pixels,
                          std::size_t pixels_size) {
  Guarded([&] { ormel::tga::Decode(ConstBytes(data, data_size), Bytes(pixels, pixels_size)); });
}

void TGA_SaveToMemory(const std::uint8_t* pixels, std::uint8_t* header, std::uint8_t** data,
                      std::uint32_t* size) {
  Guarded([&] {
    const std::uint64_t bytes = ormel::tga::InputBytes(header);
    HandOver(ormel::tga::Encode(ConstBytes(pixels, static_cast<std::size_t>(bytes)),
                                std::span<std::uint8_t, 18>(header, 18)),
             data, size);
  });
}

void DDS_LoadFromMemory(const std::uint8_t* data, std::uint8_t* pixels, std::uint32_t,
                        std::uint16_t* width, std::uint16_t* height) {
  if (!StartsWith(data, "DDS ")) return;
  Guarded([&] {
    // The caller sizes the buffer as head width x height x 4 (height at 12, width at 16).
    const auto capacity = HeaderPixelBytes(data, 12, 4);
    ormel::dds::Decode(Unbounded(data), Buffer(pixels, capacity), *width, *height);
  });
}

void DDS_LoadFromMemoryEx(const std::uint8_t* data, std::size_t data_size, std::uint8_t* pixels,
                          std::size_t pixels_size, std::uint16_t* width, std::uint16_t* height) {
  Guarded([&] {
    ormel::dds::Decode(ConstBytes(data, data_size), Bytes(pixels, pixels_size), *width,
                       *height);
  });
}

void DDS_SaveToMemory(const std::uint8_t* pixels, std::uint8_t* head, std::uint8_t** data,
                      std::uint32_t* size) {
  Guarded([&] {
    const std::uint64_t bytes = ormel::dds::InputBytes(head);
    HandOver(ormel::dds::Encode(ConstBytes(pixels, static_cast<std::size_t>(bytes)),
                                std::span<std::uint8_t, 128>(head, 128)),
             data, size);
  });
}

}  // extern "C"
