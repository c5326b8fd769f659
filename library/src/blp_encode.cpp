// BLP encoding: a 32-bit image with its whole mipmap chain, as one file image.
// Writes: BLP1 with JPEG content (shared header merged or not, baseline or progressive),
//   BLP1 and BLP2 with paletted content (optionally compressed palette, 8-bit alpha plane,
//   error diffusion), BLP2 with DXT1 or DXT5 content.
// Does not support: DXT3 content, 1- or 4-bit alpha planes, BLP2 raw BGRA content.
#include <cstring>
#include <string>

#include "blp.hpp"
#include "blp_encode_frame.hpp"
#include "limits.hpp"

namespace ormel::blp {
namespace {

enum class Encoder { None, Jpeg, Paletted, Dxt };

bool SignatureIs(const TBLPHeader& header, const char* text) {
  return std::memcmp(header.Signature, text, 4) == 0;
}

// The encoder the record selects. JPEG content exists only in BLP1 files and DXT content
// only in BLP2 files, so a record naming the other version is refused, not silently
// rewritten under a signature the caller did not ask for.
Encoder Select(const TBLPHeader& header) {
  if (header.Compression == 0) return SignatureIs(header, "BLP2") ? Encoder::None : Encoder::Jpeg;
  if (header.Compression != 1) return Encoder::None;
  if (header.Encoding < 2) {
    const bool known = SignatureIs(header, "BLP1") || SignatureIs(header, "BLP2");
    return known ? Encoder::Paletted : Encoder::None;
  }
  if (header.Encoding == 2) return SignatureIs(header, "BLP1") ? Encoder::None : Encoder::Dxt;
  return Encoder::None;
}

// Checked before any allocation: the record's size must be sane and the pixels must be there.
void RequireImage(ConstBytes pixels, const TBLPHeader& header) {
  const std::string size = std::to_string(header.Width) + " x " + std::to_string(header.Height);
  if (header.Width == 0 || header.Height == 0)
    throw InvalidData("ormel: BLP image of " + size + " pixels has nothing to encode");
  if (header.Width > kMaxSide || header.Height > kMaxSide ||
      std::uint64_t{header.Width} * header.Height > kMaxPixels)
    throw LimitExceeded("ormel: BLP image of " + size + " pixels exceeds the size limits");
  if (pixels.size() < std::uint64_t{header.Width} * header.Height * 4)
    throw InvalidData("ormel: pixel buffer shorter than the " + size + " BLP image");
}

}  // namespace

Block Encode(ConstBytes pixels, TBLPHeader& header) {
  const Encoder encoder = Select(header);
  if (encoder == Encoder::None) return {};
  RequireImage(pixels, header);
  switch (encoder) {
    case Encoder::Jpeg:
      return encode::EncodeJpeg(pixels, header);
    case Encoder::Paletted:
      return encode::EncodePaletted(pixels, header,
                                    SignatureIs(header, "BLP1") ? Version::Blp1 : Version::Blp2);
    case Encoder::Dxt:
      return encode::EncodeDxt(pixels, header);
    case Encoder::None:
      break;
  }
  return {};
}

}  // namespace ormel::blp
