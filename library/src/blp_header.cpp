// BLP header probe: copies a file's header facts into the exchange record. Each version
// writes only the record fields it has; the save inputs (offset 156 on) are never touched.
#include <cstring>

#include "blp.hpp"
#include "blp_format.hpp"

namespace ormel::blp {

bool GetHeader(ConstBytes file, TBLPHeader& header) {
  const auto parsed = ParseHeader(file);
  if (!parsed) return false;
  const FileHeader& h = *parsed;
  std::memcpy(header.Signature, file.data(), 4);
  header.Compression = h.compression;
  header.Width = h.width;
  header.Height = h.height;
  for (int i = 0; i < kLevelCount; ++i) {
    header.MipmapOffsets[i] = h.offsets[i];
    header.MipmapSizes[i] = h.sizes[i];
  }
  header.HasMipmaps = h.hasMipmaps;
  if (h.version == Version::Blp1) {
    header.AlphaBits = h.alphaBits;
    header.PictureType = h.pictureType;
  } else {
    header.Encoding = h.encoding;
    header.AlphaDepth = h.alphaDepth;
    header.AlphaEncoding = h.alphaEncoding;
  }
  return true;
}

}  // namespace ormel::blp
