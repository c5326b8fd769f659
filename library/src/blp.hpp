// BLP1 and BLP2 textures: header probe, decoding of one mipmap level, encoding of a chain.
#pragma once

#include <cstdint>

#include "block.hpp"
#include "bytes.hpp"
#include "ormel_blp.h"

namespace ormel::blp {

// Copies the header facts into the record. Returns false, touching nothing, for a signature
// other than "BLP1"/"BLP2"; throws InvalidData when the file is shorter than its header.
bool GetHeader(ConstBytes file, TBLPHeader& header);

// How Decode treats a level that the file does not fully hold.
enum class Bounds {
  // For callers that give no length: decode what lies inside the file; pixels whose bytes lie
  // outside keep their content, and a JPEG level takes the size of its frame.
  Trusted,
  // A level that passes the end of the file, or a JPEG frame of another size than the level,
  // is InvalidData before a pixel is written or a buffer taken; every pixel of the level is
  // written (pixels the level does not store come out 0, 0, 0, 0).
  Exact,
};

// Decodes level min(mipmap, 15) into 32-bit pixels, writing at most pixels.size() bytes and
// reading nothing outside `file`.
// Returns false when nothing was decoded: a bad signature (nothing touched), a BLP1
// compression word other than 0/1 (nothing touched), a BLP2 type word other than 1 or an
// unknown encoding (the level's size reported), a JPEG level without a frame header.
// Throws DivisionByZero for a selected level of stored size 0 (level-0 size reported),
// LimitExceeded for level-0 sides above 65535, JpegError for a JPEG level libjpeg refuses.
bool Decode(ConstBytes file, unsigned mipmap, Bytes pixels, std::uint16_t& width,
            std::uint16_t& height, Bounds bounds = Bounds::Trusted);

// Writes the file the record describes; an empty Block when the record selects no encoder.
Block Encode(ConstBytes pixels, TBLPHeader& header);

}  // namespace ormel::blp
