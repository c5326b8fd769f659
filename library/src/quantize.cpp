#include "quantize.hpp"

namespace ormel {
struct TColorQuantizer::Impl {};
TColorQuantizer::TColorQuantizer(int, int) {}
TColorQuantizer::~TColorQuantizer() = default;
void TColorQuantizer::ScanBitmap(ImageView) {}
void TColorQuantizer::FillPalette(Palette&) const {}
int TColorQuantizer::Leaves() const { return 0; }
TColorLookup::TColorLookup(const Palette& palette, int lastIndex)
    : palette_(palette), lastIndex_(lastIndex) {}
std::uint32_t TColorLookup::Nearest(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t&,
                                    std::uint8_t&, std::uint8_t&) { return 0; }
std::uint32_t TColorLookup::Nearest(std::uint8_t, std::uint8_t, std::uint8_t) { return 0; }
void DiffuseToPalette(MutableImageView, TColorLookup&) {}
}  // namespace ormel
