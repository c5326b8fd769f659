// TGA image data after the 18-byte header: colour map and plain or run-length pixels.
#pragma once

#include <cstdint>
#include <span>

#include "block.hpp"
#include "bytes.hpp"

namespace ormel::tga {

// Bytes per decoded pixel: the colour-map entry size with a colour map, else the pixel depth.
inline int BytesPerPixel(const std::uint8_t* header) {
  return (header[1] == 1 ? header[7] : header[16]) / 8;
}

// The buffer a load of this 18-byte header fills: width x height x BytesPerPixel.
inline std::uint64_t OutputBytes(const std::uint8_t* header) {
  return std::uint64_t{LoadU16LE(header + 12)} * LoadU16LE(header + 14) * BytesPerPixel(header);
}

// The pixels a save of this header reads: 4 bytes each for paletted types, else the depth.
inline std::uint64_t InputBytes(const std::uint8_t* header) {
  const bool paletted = header[2] == 1 || header[2] == 9;
  return std::uint64_t{LoadU16LE(header + 12)} * LoadU16LE(header + 14) *
         (paletted ? 4 : header[16] / 8);
}

// Decodes the pixels of the file image (rows in file order) into at most pixels.size() bytes.
// Returns false, touching nothing, for an image or colour-map type it does not read.
bool Decode(ConstBytes file, Bytes pixels);

// Encodes what follows the header; an empty Block for a header it does not write.
Block Encode(ConstBytes pixels, std::span<std::uint8_t, 18> header);

}  // namespace ormel::tga
