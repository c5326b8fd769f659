// JPEG content of BLP1 files.
// Reads: four-component baseline or progressive streams, each level's data behind the shared
//   header of N bytes (N = 0: every level is a complete stream). The level's size comes from
//   its frame header, not from the BLP header.
// Does not support: streams without an SOF0/SOF2 frame header (nothing is decoded).
#include <optional>
#include <string>
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
                     std::uint16_t& width, std::uint16_t& height,
                     std::optional<LevelSize> expected) {
  const std::uint32_t sharedLength = ReadU32LE(file, blp1::kJpegHeaderLength, "JPEG header size");
  if (expected && !FitsIn(file.size(), blp1::kJpegHeader, sharedLength))
    throw InvalidData("ormel: truncated: the shared JPEG header ends at byte " +
                      std::to_string(std::uint64_t{blp1::kJpegHeader} + sharedLength) +
                      ", the file has " + std::to_string(file.size()) + " bytes");
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
  // The frame decides how much libjpeg writes: a frame of another size than the level (a
  // header that claims far more than the frame holds, or the reverse) is refused before a row
  // is decoded or the caller's buffer touched.
  if (expected && (frame->width != expected->width || frame->height != expected->height))
    throw InvalidData("ormel: the JPEG frame of mipmap " + std::to_string(level) + " is " +
                      std::to_string(frame->width) + " x " + std::to_string(frame->height) +
                      ", the level is " + std::to_string(expected->width) + " x " +
                      std::to_string(expected->height));
  // Every row of the level lands in the buffer, or none is decoded.
  if (expected && std::uint64_t{frame->width} * frame->height * 4 > pixels.size())
    throw LimitExceeded("ormel: BLP level of " + std::to_string(frame->width) + " x " +
                        std::to_string(frame->height) + " does not fit the pixel buffer");
  width = frame->width;
  height = frame->height;
  const jpeg::FrameInfo decoded = jpeg::Decode(stream, jpeg::Mode::FourChannel, pixels);
  // libjpeg reads the frame it meets first, which a hostile stream may hide from the walk
  // above (an SOF1 before the SOF0): the rows it wrote are then not the level's.
  if (expected && (decoded.width != expected->width || decoded.height != expected->height))
    throw InvalidData("ormel: the JPEG stream of mipmap " + std::to_string(level) +
                      " decodes to another size than its frame header says");
  return true;
}

}  // namespace ormel::blp
