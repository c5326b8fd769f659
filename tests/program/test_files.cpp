#include "test_files.hpp"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <jpeglib.h>
}

#include "blp1_header.hpp"
#include "synthetic.hpp"

namespace ondrel_test {
namespace {

// libjpeg's errors jump back to the call, which throws; no C++ object lives across the jump.
struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
void OnJpegError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1); }

// Four components stored as they are, no colour transform: the form inside BLP1 files.
bool EncodeFourChannel(const std::uint8_t* px, int w, int h, int quality, bool progressive,
                       unsigned char** out, unsigned long* size) {
  jpeg_compress_struct cinfo{};
  JpegErrors err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, size);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_UNKNOWN;
  jpeg_set_defaults(&cinfo);
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(px + std::size_t(cinfo.next_scanline) * std::size_t(w) * 4);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

bool DecodeFourChannel(const std::vector<std::uint8_t>& stream, std::vector<std::uint8_t>& px) {
  jpeg_decompress_struct cinfo{};
  JpegErrors err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.jpeg_color_space = JCS_UNKNOWN;
  cinfo.out_color_space = JCS_UNKNOWN;
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 4) longjmp(err.jump, 1);
  px.resize(std::size_t(cinfo.output_width) * cinfo.output_height * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = px.data() + std::size_t(cinfo.output_scanline) * cinfo.output_width * 4;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
  return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write " + path.toStdString());
}

QString Fixture(const QString& relative) { return QStringLiteral(ONDREL_FIXTURES "/") + relative; }

ondrel::TBitmap PhotoBitmap(int w, int h, bool alpha, std::uint32_t seed) {
  const int channels = alpha ? 4 : 3;
  const auto px = PhotoLike(std::uint32_t(w), std::uint32_t(h), channels, alpha, seed);
  ondrel::TBitmap b;
  b.reset(w, h, alpha ? ondrel::PixelFormat::Bit32 : ondrel::PixelFormat::Bit24);
  b.copyFromPacked(px.data());
  return b;
}

bool SamePixels(const ondrel::TBitmap& a, const ondrel::TBitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.pixelFormat() != b.pixelFormat())
    return false;
  const std::size_t row = std::size_t(a.width()) * a.bytesPerPixel();
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.scanLine(y), b.scanLine(y), row) != 0) return false;
  return true;
}

std::vector<std::uint8_t> FourChannelJpeg(int w, int h, int quality, bool progressive, std::uint32_t seed) {
  const auto px = PhotoLike(std::uint32_t(w), std::uint32_t(h), 4, true, seed);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const bool ok = EncodeFourChannel(px.data(), w, h, quality, progressive, &out, &size);
  std::vector<std::uint8_t> stream(out, out + (ok ? size : 0));
  std::free(out);
  if (!ok) throw std::runtime_error("libjpeg refused a four-channel test picture");
  return stream;
}

namespace {

void Append(QByteArray& to, const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t end) {
  to.append(reinterpret_cast<const char*>(bytes.data() + from), qsizetype(end - from));
}

std::vector<std::uint8_t> WithExtras(std::vector<std::uint8_t> s, bool com, bool app0) {
  std::vector<std::uint8_t> extra;
  if (app0) {
    const std::uint8_t jfif[] = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    extra.insert(extra.end(), std::begin(jfif), std::end(jfif));
  }
  if (com) {
    const std::uint8_t c[] = {0xFF, 0xFE, 0, 9, 'o', 'n', 'd', 'r', 'e', 'l', '!'};
    extra.insert(extra.end(), std::begin(c), std::end(c));
  }
  s.insert(s.begin() + 2, extra.begin(), extra.end());
  return s;
}

}  // namespace

QByteArray MakeBlp1Jpeg(const Blp1JpegLayout& layout) {
  using namespace ondrel;
  QByteArray header(int(kBlp1HeaderSize) + 4, '\0');
  auto* h = reinterpret_cast<std::uint8_t*>(header.data());
  std::span<std::uint8_t> hs(h, header.size());
  std::memcpy(h, "BLP1", 4);
  PutU32(hs, 8, 8);
  PutU32(hs, kBlp1WidthAt, std::uint32_t(layout.width));
  PutU32(hs, kBlp1HeightAt, std::uint32_t(layout.height));
  PutU32(hs, 20, 4);
  PutU32(hs, 24, 1);
  std::vector<std::vector<std::uint8_t>> streams;
  int w = layout.width, hgt = layout.height;
  for (int i = 0; i < layout.levels; ++i) {
    streams.push_back(WithExtras(FourChannelJpeg(w, hgt, 80, layout.progressive, std::uint32_t(i + 1)),
                                 layout.comSegment, layout.app0Segment));
    w = std::max(1, w / 2);
    hgt = std::max(1, hgt / 2);
  }
  const std::size_t x = (layout.comSegment ? 11 : 0) + (layout.app0Segment ? 18 : 0);
  QByteArray shared;
  if (layout.merged) {
    const auto& s = streams[0];
    if (layout.progressive) {
      Append(shared, s, 0, 76 + x);
    } else {
      Append(shared, s, 0, 71 + x);
      Append(shared, s, 93 + x, 309 + x);
      Append(shared, s, 71 + x, 76 + x);
    }
  }
  PutU32(hs, kBlp1JpegHeaderSizeAt, std::uint32_t(shared.size()));
  QByteArray file = header + shared + QByteArray(int(layout.gap), '\x5A');
  for (int i = 0; i < layout.levels; ++i) {
    QByteArray data;
    const auto& s = streams[std::size_t(i)];
    if (!layout.merged)
      Append(data, s, 0, s.size());
    else if (layout.progressive)
      Append(data, s, 76 + x, s.size());
    else {
      Append(data, s, 76 + x, 93 + x);
      Append(data, s, 309 + x, s.size());
    }
    auto* fh = reinterpret_cast<std::uint8_t*>(file.data());
    std::span<std::uint8_t> fs(fh, kBlp1HeaderSize);
    SetMipmapOffset(fs, i, std::uint32_t(file.size()));
    SetMipmapSize(fs, i, std::uint32_t(data.size()));
    file += data;
  }
  std::span<std::uint8_t> fs(reinterpret_cast<std::uint8_t*>(file.data()), kBlp1HeaderSize);
  const int chain = MipmapCountFor(std::uint16_t(layout.width), std::uint16_t(layout.height));
  for (int i = layout.levels; i < chain; ++i) {
    SetMipmapOffset(fs, i, MipmapOffset(fs, layout.levels - 1));
    SetMipmapSize(fs, i, MipmapSize(fs, layout.levels - 1));
  }
  return file;
}

std::vector<std::uint8_t> DecodeBlp1JpegLevel(const QByteArray& file, int level) {
  using namespace ondrel;
  std::span<const std::uint8_t> f(reinterpret_cast<const std::uint8_t*>(file.constData()), file.size());
  const std::uint32_t n = GetU32(f, kBlp1JpegHeaderSizeAt);
  std::vector<std::uint8_t> stream(f.begin() + kBlp1JpegHeaderAt, f.begin() + kBlp1JpegHeaderAt + n);
  const auto data = f.subspan(MipmapOffset(f, level), MipmapSize(f, level));
  stream.insert(stream.end(), data.begin(), data.end());
  std::vector<std::uint8_t> px;
  if (!DecodeFourChannel(stream, px)) throw std::runtime_error("libjpeg refused a level of a test file");
  return px;
}

}  // namespace ondrel_test
