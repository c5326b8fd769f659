#include "dxt.hpp"

namespace ormel::dxt {
void DecodeDxt1Image(ConstBytes, Bytes, std::uint32_t, std::uint32_t) {}
void DecodeDxt3Image(ConstBytes, Bytes, std::uint32_t, std::uint32_t) {}
void DecodeDxt5Image(ConstBytes, Bytes, std::uint32_t, std::uint32_t) {}
void DecodeImage(Format, ConstBytes, Bytes, std::uint32_t, std::uint32_t) {}
void EncodeDxtImage(ConstBytes, std::uint32_t, std::uint32_t, int, bool, bool, Bytes) {}
}  // namespace ormel::dxt
