// JPEG streams over libjpeg (IJG API): ordinary three-channel files (blue, green, red rows)
// and the four-channel form inside BLP1 files (four independent components, no colour
// transform). The mode is an argument of every call, so the codec is safe on several threads.
#pragma once

#include <cstdint>

#include "block.hpp"
#include "bytes.hpp"

namespace ormel::jpeg {

enum class Mode { ThreeChannel, FourChannel };

struct FrameInfo {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int components = 0;
  bool progressive = false;
};

inline int BytesPerPixel(Mode mode) { return mode == Mode::FourChannel ? 4 : 3; }

// Reads the stream's headers up to the frame. Throws JpegError on a stream libjpeg refuses.
FrameInfo ReadInfo(ConstBytes stream);

// Decodes the whole stream into packed rows of BytesPerPixel(mode) bytes, top row first.
// Writes at most pixels.size() bytes (rows beyond the buffer are decoded and dropped).
// Throws JpegError on a refused, truncated or corrupt stream, LimitExceeded past kMaxPixels.
FrameInfo Decode(ConstBytes stream, Mode mode, Bytes pixels);

// Encodes packed rows of BytesPerPixel(mode) bytes. Quality is clamped to 1..100.
Block Encode(ConstBytes pixels, std::uint32_t width, std::uint32_t height, int quality,
             bool progressive, Mode mode);

}  // namespace ormel::jpeg
