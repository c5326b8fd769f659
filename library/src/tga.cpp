#include "tga.hpp"

namespace ormel::tga {
bool Decode(ConstBytes, Bytes) { return false; }
Block Encode(ConstBytes, std::span<std::uint8_t, 18>) { return {}; }
}  // namespace ormel::tga
