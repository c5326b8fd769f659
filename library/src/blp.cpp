#include "blp.hpp"

namespace ormel::blp {
bool GetHeader(ConstBytes, TBLPHeader&) { return false; }
bool Decode(ConstBytes, unsigned, Bytes, std::uint16_t&, std::uint16_t&) { return false; }
}  // namespace ormel::blp
