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

// Decodes level min(mipmap, 15) into 32-bit pixels, writing at most pixels.size() bytes.
// Returns false, touching nothing, for a bad signature.
bool Decode(ConstBytes file, unsigned mipmap, Bytes pixels, std::uint16_t& width,
            std::uint16_t& height);

// Writes the file the record describes; an empty Block when the record selects no encoder.
Block Encode(ConstBytes pixels, TBLPHeader& header);

}  // namespace ormel::blp
