#include "dds.hpp"

namespace ormel::dds {
bool Decode(ConstBytes, Bytes, std::uint16_t&, std::uint16_t&) { return false; }
Block Encode(ConstBytes, std::span<std::uint8_t, 128>) { return {}; }
}  // namespace ormel::dds
