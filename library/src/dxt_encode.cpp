#include "dxt.hpp"

namespace ormel::dxt {
void EncodeDxtImage(ConstBytes, std::uint32_t, std::uint32_t, int, bool, bool, Bytes) {}
}  // namespace ormel::dxt
