// JPEG content of BLP1 files.
// Reads: four-component baseline or progressive streams, each level's data behind the shared
//   header of N bytes (N = 0: every level is a complete stream). The level's size comes from
//   its frame header, not from the BLP header.
// Does not support: streams without an SOF0/SOF2 frame header (nothing is decoded).
#include <optional>
#include <vector>

#include "blp_content.hpp"
#include "jpeg_codec.hpp"

namespace ormel::blp {
namespace {

struct Frame {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
};

// Walks the segments from behind SOI to the first SOF0 or SOF2 and reads its size. Stops at
// the end of the stream (or at a length that cannot be one) with nothing.
std::optional<Frame> FindFrame(ConstBytes stream) {
  std::size_t pos = 2;
  while (FitsIn(stream.size(), pos, 2)) {
    const std::uint16_t marker = LoadU16BE(stream.data() + pos);
    pos += 2;
    if (marker == 0xFFC0 || marker == 0xFFC2) {
      // Segment length and sample precision, then height and width.
      if (!FitsIn(stream.size(), pos, 7)) return std::nullopt;
      return Frame{LoadU16BE(stream.data() + pos + 5), LoadU16BE(stream.data() + pos + 3)};
    }
    if (!FitsIn(stream.size(), pos, 2)) return std::nullopt;
    const std::uint16_t length = LoadU16BE(stream.data() + pos);
    if (length < 2) return std::nullopt;
    pos += length;
  }
  return std::nullopt;
}

}  // namespace

bool DecodeJpegLevel(ConstBytes file, const FileHeader& header, int level, Bytes pixels,
                     std::uint16_t& width, std::uint16_t& height) {
  const std::uint32_t sharedLength = ReadU32LE(file, blp1::kJpegHeaderLength, "JPEG header size");
  const ConstBytes shared = ClipToFile(file, blp1::kJpegHeader, sharedLength);
  const ConstBytes data = ClipToFile(file, header.offsets[level], header.sizes[level]);
  if (std::uint64_t{shared.size()} + data.size() > 0xFFFFFFFFu)
    throw LimitExceeded("ormel: BLP1 JPEG level exceeds 4 GiB");

  std::vector<std::uint8_t> joined;
  ConstBytes stream = data;
  if (!shared.empty()) {
    joined.reserve(shared.size() + data.size());
    joined.insert(joined.end(), shared.begin(), shared.end());
    joined.insert(joined.end(), data.begin(), data.end());
    stream = joined;
  }

  const auto frame = FindFrame(stream);
  if (!frame) return false;
  width = frame->width;
  height = frame->height;
  jpeg::Decode(stream, jpeg::Mode::FourChannel, pixels);
  return true;
}

}  // namespace ormel::blp
