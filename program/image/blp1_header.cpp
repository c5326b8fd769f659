#include "blp1_header.hpp"

namespace ondrel {

int MipmapCountFor(std::uint16_t width, std::uint16_t height) {
  unsigned m = width > height ? width : height;
  int count = 1;
  while (m > 1) {
    m >>= 1;
    ++count;
  }
  return count;
}

int MipmapCountOf(std::span<const std::uint8_t, kBlp1HeaderSize> header) {
  return MipmapCountFor(static_cast<std::uint16_t>(GetU32(header, kBlp1WidthAt)),
                        static_cast<std::uint16_t>(GetU32(header, kBlp1HeightAt)));
}

int CountStoredMipmaps(std::span<const std::uint8_t, kBlp1HeaderSize> header) {
  const int m = MipmapCountOf(header);
  int i = 1;
  // Entries that repeat the previous level (the encoder fills unwritten levels with copies of
  // the last one) are not levels of their own. Sums in 64 bits: no wrap-around match.
  while (i < m && i < 16 &&
         std::uint64_t{MipmapOffset(header, i)} ==
             std::uint64_t{MipmapOffset(header, i - 1)} + MipmapSize(header, i - 1) &&
         MipmapSize(header, i) != MipmapSize(header, i - 1))
    ++i;
  return i;
}

}  // namespace ondrel
