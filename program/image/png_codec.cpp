#include "png_codec.hpp"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "image_limits.hpp"

namespace ondrel {
namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (length > r->size - r->pos) png_error(png, "the file ends early");
  std::memcpy(out, r->data + r->pos, length);
  r->pos += length;
}

struct ErrorText {
  char text[256] = "";
};

void OnError(png_structp png, png_const_charp message) {
  auto* err = static_cast<ErrorText*>(png_get_error_ptr(png));
  std::snprintf(err->text, sizeof err->text, "%s", message);
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// What the libpng pass hands back; filled inside the setjmp frame, used after it.
struct Decoded {
  std::uint32_t width = 0, height = 0;
  int channels = 3;  // 3: blue, green, red; 4: with alpha
  bool paletted = false, interlaced = false, hasTrns = false, hasAlphaChannel = false;
  std::vector<std::uint8_t> rows;  // paletted: the indices, packed
  TBitmap image;                   // true colour: decoded straight into the bitmap's rows
  std::vector<png_bytep> rowPointers;
  png_color palette[256]{};
  std::uint8_t alpha[256]{};
};

// All libpng work happens here, with no C++ object whose destructor a longjmp could skip.
bool RunDecode(const QByteArray& file, Decoded& out, ErrorText& err) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  Reader reader{reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()), 0};
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(png, 64u << 20);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
  out.width = w;
  out.height = h;
  out.interlaced = interlace != PNG_INTERLACE_NONE;
  out.paletted = colorType == PNG_COLOR_TYPE_PALETTE;
  out.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  out.hasAlphaChannel = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  {
    // Deflate packs at most about 1032 bytes into one; a shorter file cannot hold the image.
    const std::uint64_t rawBytes = (std::uint64_t{w} * png_get_channels(png, info) * depth + 7) / 8 * h;
    if (std::uint64_t{w} * h > kMaxImagePixels || rawBytes / 1032 > std::uint64_t(file.size()))
      png_error(png, "image size beyond the limit or the file");
  }
  if (out.paletted) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0) png_error(png, "no palette");
    std::fill(std::begin(out.alpha), std::end(out.alpha), 255);  // beyond tRNS: opaque
    std::copy_n(palette, std::min(count, 256), out.palette);
    if (out.hasTrns) {
      png_bytep trans = nullptr;
      int transCount = 0;
      png_get_tRNS(png, info, &trans, &transCount, nullptr);
      std::copy_n(trans, std::min(transCount, 256), out.alpha);
    }
    png_set_packing(png);  // 1, 2, 4-bit indices -> one byte each
    out.channels = out.hasTrns ? 4 : 3;
  } else {
    png_set_scale_16(png);
    png_set_expand_gray_1_2_4_to_8(png);
    if (out.hasTrns) png_set_tRNS_to_alpha(png);  // colour key: matching pixels transparent
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    out.channels = (out.hasTrns || out.hasAlphaChannel) ? 4 : 3;
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  const std::size_t expected = out.paletted ? w : std::size_t{w} * out.channels;
  if (rowBytes != expected) png_error(png, "unexpected row layout");
  bool allocated = true;
  try {
    if (out.paletted)
      out.rows.resize(rowBytes * h);
    else
      out.image.reset(int(w), int(h), out.channels == 4 ? PixelFormat::Bit32 : PixelFormat::Bit24, false);
    out.rowPointers.resize(h);
  } catch (...) {
    allocated = false;
  }
  if (!allocated) png_error(png, "out of memory");  // jumps only outside the handler
  for (png_uint_32 y = 0; y < h; ++y)
    out.rowPointers[y] = out.paletted ? out.rows.data() + rowBytes * y : out.image.scanLine(int(y));
  png_read_image(png, out.rowPointers.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

struct Writer {
  QByteArray* out;
};
void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* w = static_cast<Writer*>(png_get_io_ptr(png));
  bool appended = true;
  try {
    w->out->append(reinterpret_cast<const char*>(data), qsizetype(length));
  } catch (...) {
    appended = false;
  }
  if (!appended) png_error(png, "out of memory");
}
void Flush(png_structp) {}

bool RunEncode(const TBitmap& source, const PngWriteOptions& options, QByteArray& out,
               ErrorText& err) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  Writer writer{&out};
  png_set_write_fn(png, &writer, WriteToMemory, Flush);
  const bool alpha = source.pixelFormat() == PixelFormat::Bit32;
  png_set_IHDR(png, info, source.width(), source.height(), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, std::clamp(options.compression, 0, 9));
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PngFilterMask(options));
  png_write_info(png, info);
  png_set_bgr(png);
  for (int y = 0; y < source.height(); ++y)
    png_write_row(png, const_cast<png_bytep>(source.scanLine(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

int PngFilterMask(const PngWriteOptions& o) {
  int mask = (o.filterSub ? PNG_FILTER_SUB : 0) | (o.filterUp ? PNG_FILTER_UP : 0) |
             (o.filterAverage ? PNG_FILTER_AVG : 0) | (o.filterPaeth ? PNG_FILTER_PAETH : 0);
  return mask == 0 ? PNG_FILTER_NONE : mask;
}

PngFacts DecodePng(const QByteArray& file, TBitmap& target) {
  Decoded d;
  ErrorText err;
  if (!RunDecode(file, d, err))
    throw ImageLoadError(std::string("The PNG file is damaged or unsupported (") + err.text + ").");
  if (!d.paletted) {
    target.assign(d.image);
    return {d.interlaced, false, (d.hasTrns || d.hasAlphaChannel) ? 8 : 0};
  }
  TBitmap result;
  result.reset(int(d.width), int(d.height), d.channels == 4 ? PixelFormat::Bit32 : PixelFormat::Bit24,
               false);  // every byte is written below
  for (std::uint32_t y = 0; y < d.height; ++y) {
    std::uint8_t* dst = result.scanLine(int(y));
    const std::uint8_t* idx = d.rows.data() + std::size_t{d.width} * y;
    for (std::uint32_t x = 0; x < d.width; ++x) {
      const png_color& c = d.palette[idx[x]];
      *dst++ = c.blue;
      *dst++ = c.green;
      *dst++ = c.red;
      if (d.channels == 4) *dst++ = d.alpha[idx[x]];
    }
  }
  target.assign(result);
  return {d.interlaced, d.paletted, (d.hasTrns || d.hasAlphaChannel) ? 8 : 0};
}

QByteArray EncodePng(const TBitmap& source, const PngWriteOptions& options) {
  TBitmap pixels(source);
  if (pixels.pixelFormat() != PixelFormat::Bit32) pixels.setPixelFormat(PixelFormat::Bit24);
  QByteArray out;
  ErrorText err;
  if (!RunEncode(pixels, options, out, err))
    throw ImageSaveError(std::string("The image cannot be saved as PNG (") + err.text + ").");
  return out;
}

}  // namespace ondrel
