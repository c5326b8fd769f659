// JPEG over libjpeg's IJG API.
// Reads: baseline and progressive JPEG; YCbCr, grey and CMYK/YCCK files decode to blue, green,
//   red in three-channel mode; four-channel mode returns the stored components untransformed.
// Writes: three-channel YCbCr (JFIF) or four-channel streams with no colour space, baseline or
//   progressive, accurate integer DCT, baseline-compatible quantization tables.
// Does not support: 12-bit samples, arithmetic coding output, scaled decoding.
#include "jpeg_codec.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "limits.hpp"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace ormel::jpeg {
namespace {

// libjpeg reports errors through error_exit, which must not return. We jump back to the
// call site, which then throws; no C++ object lives across the jump.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// A truncated or corrupt entropy stream is only a warning to libjpeg (it pads with grey);
// for us it is an error. Other warnings (stray bytes between markers) are harmless.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC) {
    cinfo->err->error_exit(cinfo);
  }
  cinfo->err->num_warnings++;
}

void InstallErrors(ErrorManager& err, j_common_ptr) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  err.message[0] = '\0';
}

[[noreturn]] void Fail(const ErrorManager& err, const char* action) {
  throw JpegError(std::string("ormel: JPEG ") + action + ": " + err.message);
}

// Owns a decompressor; jpeg_destroy releases everything libjpeg allocated, on every path.
struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  Decompressor() {
    cinfo.err = &err.pub;
    InstallErrors(err, reinterpret_cast<j_common_ptr>(&cinfo));
  }
  ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  Compressor() {
    cinfo.err = &err.pub;
    InstallErrors(err, reinterpret_cast<j_common_ptr>(&cinfo));
  }
  ~Compressor() {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
  }
};

// The steps between setjmp and the jump contain only C calls and trivially destructible
// locals, so longjmp skips no destructor.
bool StartDecode(Decompressor& d, ConstBytes stream) {
  if (setjmp(d.err.jump)) return false;
  jpeg_create_decompress(&d.cinfo);
  jpeg_mem_src(&d.cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
  jpeg_read_header(&d.cinfo, TRUE);
  return true;
}

FrameInfo InfoOf(const jpeg_decompress_struct& cinfo) {
  return {cinfo.image_width, cinfo.image_height, cinfo.num_components,
          cinfo.progressive_mode != 0};
}

void RequireStream(ConstBytes stream) {
  if (stream.empty()) throw JpegError("ormel: JPEG stream is empty");
  if (stream.size() > 0xFFFFFFFFu) throw LimitExceeded("ormel: JPEG stream exceeds 4 GiB");
}

// Sets the output colour space for the mode; returns the components libjpeg will deliver.
void ChooseOutput(jpeg_decompress_struct& cinfo, Mode mode) {
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.do_block_smoothing = TRUE;
  cinfo.do_fancy_upsampling = TRUE;
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  if (mode == Mode::FourChannel) {
    // Inside BLP1 files the components are stored bytes, never colours to convert.
    cinfo.jpeg_color_space = JCS_UNKNOWN;
    cinfo.out_color_space = JCS_UNKNOWN;
    return;
  }
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;  // converted to blue, green, red below
      break;
    default:
      // Three components of unknown meaning: read them as YCbCr, as the format intends.
      if (cinfo.num_components == 3) {
        cinfo.jpeg_color_space = JCS_YCbCr;
        cinfo.out_color_space = JCS_EXT_BGR;
      } else {
        cinfo.out_color_space = JCS_UNKNOWN;
      }
      break;
  }
}

// Turns one decoded row of `components` samples into the mode's pixel layout.
void ConvertRow(const JSAMPLE* in, int components, bool adobeCmyk, Mode mode, std::uint8_t* out,
                std::uint32_t width) {
  if (mode == Mode::FourChannel) {
    for (std::uint32_t x = 0; x < width; ++x, in += components, out += 4) {
      for (int c = 0; c < 4; ++c) out[c] = c < components ? in[c] : 255;
    }
    return;
  }
  if (components == 4) {
    // CMYK: Adobe writers store the inks inverted, so the sample is already 255 - ink.
    for (std::uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
      int c = in[0], m = in[1], y = in[2], k = in[3];
      if (!adobeCmyk) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
      }
      out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
      out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
      out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
    return;
  }
  for (std::uint32_t x = 0; x < width; ++x, in += components, out += 3) {
    const std::uint8_t v = in[0];
    out[0] = components > 2 ? in[2] : v;
    out[1] = components > 1 ? in[1] : v;
    out[2] = v;
  }
}

// Decodes scanlines. Rows go straight into the caller's buffer when libjpeg delivers the
// requested layout; otherwise each row passes through `scratch` and is converted into
// `converted`. Rows (or their tails) beyond the buffer are decoded and dropped.
bool RunDecode(Decompressor& d, Mode mode, Bytes pixels, JSAMPLE* scratch,
               std::uint8_t* converted, bool direct, bool adobeCmyk) {
  if (setjmp(d.err.jump)) return false;
  auto& cinfo = d.cinfo;
  jpeg_start_decompress(&cinfo);
  const std::size_t outRow = std::size_t{cinfo.output_width} * BytesPerPixel(mode);
  const std::size_t capacity = pixels.size();
  while (cinfo.output_scanline < cinfo.output_height) {
    const std::size_t offset = std::size_t{cinfo.output_scanline} * outRow;
    const bool fits = offset <= capacity && outRow <= capacity - offset;
    JSAMPROW row = (direct && fits) ? pixels.data() + offset : scratch;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (row != scratch || offset >= capacity) continue;
    const std::uint8_t* source = scratch;
    if (!direct) {
      ConvertRow(scratch, cinfo.output_components, adobeCmyk, mode, converted,
                 cinfo.output_width);
      source = converted;
    }
    std::memcpy(pixels.data() + offset, source, std::min(outRow, capacity - offset));
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool RunEncode(Compressor& c, const std::uint8_t* pixels, std::uint32_t width,
               std::uint32_t height, int quality, bool progressive, Mode mode) {
  if (setjmp(c.err.jump)) return false;
  auto& cinfo = c.cinfo;
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &c.out, &c.outSize);
  cinfo.image_width = width;
  cinfo.image_height = height;
  if (mode == Mode::FourChannel) {
    // No colour space: libjpeg transforms nothing, writes no JFIF or Adobe segment, and puts
    // every component on quantization table 0 and Huffman tables 0.
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_UNKNOWN;
  } else {
    // Blue, green, red rows: the same stream as RGB input, without a swizzle pass.
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
  }
  jpeg_set_defaults(&cinfo);
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = std::size_t{width} * cinfo.input_components;
  while (cinfo.next_scanline < cinfo.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<JSAMPLE*>(pixels + std::size_t{cinfo.next_scanline} * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

FrameInfo ReadInfo(ConstBytes stream) {
  RequireStream(stream);
  Decompressor d;
  if (!StartDecode(d, stream)) Fail(d.err, "header");
  return InfoOf(d.cinfo);
}

FrameInfo Decode(ConstBytes stream, Mode mode, Bytes pixels) {
  RequireStream(stream);
  Decompressor d;
  if (!StartDecode(d, stream)) Fail(d.err, "header");
  auto& cinfo = d.cinfo;
  const FrameInfo info = InfoOf(cinfo);
  if (std::uint64_t{info.width} * info.height > kMaxPixels)
    throw LimitExceeded("ormel: JPEG frame of " + std::to_string(info.width) + " x " +
                        std::to_string(info.height) + " exceeds the pixel limit");
  ChooseOutput(cinfo, mode);
  const bool adobeCmyk = cinfo.saw_Adobe_marker != 0;
  // Only the output dimensions and components are needed to size the scratch row.
  const int delivered = cinfo.out_color_space == JCS_EXT_BGR ? 3
                        : cinfo.out_color_space == JCS_UNKNOWN ? cinfo.num_components
                                                               : 4;
  const bool direct = delivered == BytesPerPixel(mode) &&
                      (mode == Mode::FourChannel || cinfo.out_color_space == JCS_EXT_BGR);
  std::vector<JSAMPLE> scratch(std::size_t{info.width} * std::max(delivered, 4));
  std::vector<std::uint8_t> converted(direct ? 0 : std::size_t{info.width} * 4);
  if (!RunDecode(d, mode, pixels, scratch.data(), converted.data(), direct, adobeCmyk))
    Fail(d.err, "decode");
  return info;
}

Block Encode(ConstBytes pixels, std::uint32_t width, std::uint32_t height, int quality,
             bool progressive, Mode mode) {
  if (width == 0 || height == 0) throw InvalidData("ormel: JPEG image has no rows or columns");
  if (width > 65500 || height > 65500)
    throw LimitExceeded("ormel: JPEG sides are limited to 65500 pixels");
  const std::uint64_t need = std::uint64_t{width} * height * BytesPerPixel(mode);
  if (pixels.size() < need) throw InvalidData("ormel: JPEG pixel buffer is too short");
  Compressor c;
  if (!RunEncode(c, pixels.data(), width, height, std::clamp(quality, 1, 100), progressive, mode))
    Fail(c.err, "encode");
  Block block(c.out, c.outSize);
  c.out = nullptr;
  return block;
}

}  // namespace ormel::jpeg
