// Truncated BLP files through OpenImage: every cut is refused or gives a picture that the
// file fully defines, never leftover heap memory. Each cut is opened twice, with malloc
// filling fresh blocks with two different bytes, and the two pictures must agree.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <malloc.h>

#include <cstring>
#include <vector>

#include "UnitBLPImageUtils.hpp"
#include "om_blp.hpp"
#include "peer_files.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

struct Opened {
  bool failed = true;
  TBitmap picture;
};

// malloc fills every block it hands out with the complement of `byte` (glibc's M_PERTURB),
// so bytes a decoder leaves unwritten differ between two runs.
Opened OpenWithHeapFill(const QString& path, int byte, std::uint8_t mipmap = 0) {
  mallopt(M_PERTURB, byte);
  Opened o;
  QStringList errors;
  const OpenResult r =
      OpenImage(path, o.picture, {false, false, false, mipmap}, [&](const QString& n) { errors << n; });
  mallopt(M_PERTURB, 0);
  o.failed = r.failed || o.picture.empty();
  return o;
}

struct Fixture {
  const char* name;
  QByteArray file;
};

// A BLP2 file of 4-byte blue-green-red-alpha pixels, which the program does not write.
QByteArray RawBgraBlp2(int w, int h) {
  const TBitmap photo = ondrel_test::PhotoBitmap(w, h, true, 7);
  const auto px = photo.packedRows();
  QByteArray f(148, '\0');
  std::memcpy(f.data(), "BLP2", 4);
  auto put32 = [&f](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = char(v >> (8 * i));
  };
  put32(4, 1);
  f[8] = 3;
  f[9] = 8;
  put32(12, std::uint32_t(w));
  put32(16, std::uint32_t(h));
  put32(20, 148);
  put32(84, std::uint32_t(px.size()));
  f.append(reinterpret_cast<const char*>(px.data()), qsizetype(px.size()));
  return f;
}

std::vector<Fixture> Fixtures(const QTemporaryDir& dir) {
  const TBitmap photo = ondrel_test::PhotoBitmap(64, 48, true);
  FileFormatOptions jpeg = DesignedFileFormatOptions();
  FileFormatOptions paletted = jpeg;
  paletted.blp1.Blp1Paletted = 1;
  FileFormatOptions dxt = jpeg;  // BLP2 with DXT content by design
  const QString out = dir.filePath("made.blp");
  std::vector<Fixture> list;
  const auto save = [&](const char* name, int version, const FileFormatOptions& o, bool alpha) {
    SaveBlpImage(out, photo, version, o, alpha);
    list.push_back({name, ondrel_test::ReadFile(out)});
  };
  save("jpeg", 0, jpeg, true);
  save("paletted_alpha", 0, paletted, true);
  save("dxt1", 1, dxt, false);
  save("dxt5", 1, dxt, true);
  list.push_back({"raw_bgra", RawBgraBlp2(40, 24)});
  return list;
}

TEST(BlpTruncation, EveryCutIsRefusedOrFullyDefined) {
  QTemporaryDir dir;
  const QString path = dir.filePath("cut.blp");
  for (const Fixture& f : Fixtures(dir)) {
    ondrel_test::WriteFile(path, f.file);
    const Opened whole = OpenWithHeapFill(path, 0x11);
    ASSERT_FALSE(whole.failed) << f.name;
    TBLPHeader header{};
    BLP_GetHeaderEx(reinterpret_cast<const std::uint8_t*>(f.file.data()), std::size_t(f.file.size()), &header);
    const qsizetype level0End = qsizetype(header.MipmapOffsets[0]) + qsizetype(header.MipmapSizes[0]);
    std::vector<qsizetype> cuts;
    for (qsizetype n = 0; n < f.file.size(); n += 97) cuts.push_back(n);
    cuts.insert(cuts.end(), {level0End - 1, level0End, f.file.size() - 1});
    for (const qsizetype n : cuts) {
      ondrel_test::WriteFile(path, f.file.left(n));
      const Opened a = OpenWithHeapFill(path, 0x11);
      const Opened b = OpenWithHeapFill(path, 0xEE);
      ASSERT_EQ(a.failed, b.failed) << f.name << " cut at " << n;
      if (n < level0End) {
        EXPECT_TRUE(a.failed) << f.name << " cut at " << n << ", level 0 ends at " << level0End;
        continue;
      }
      ASSERT_FALSE(a.failed) << f.name << " cut at " << n;
      EXPECT_TRUE(ondrel_test::SamePixels(a.picture, b.picture)) << f.name << " cut at " << n;
      EXPECT_TRUE(ondrel_test::SamePixels(a.picture, whole.picture)) << f.name << " cut at " << n;
    }
  }
}

// A level past the end is refused also when an earlier one is whole.
TEST(BlpTruncation, LaterLevelPastTheEndIsRefused) {
  QTemporaryDir dir;
  const QString path = dir.filePath("cut.blp");
  for (const Fixture& f : Fixtures(dir)) {
    TBLPHeader header{};
    BLP_GetHeaderEx(reinterpret_cast<const std::uint8_t*>(f.file.data()), std::size_t(f.file.size()), &header);
    if (header.MipmapSizes[1] == 0) continue;  // a single level
    ondrel_test::WriteFile(path, f.file.left(qsizetype(header.MipmapOffsets[1]) + 1));
    EXPECT_FALSE(OpenWithHeapFill(path, 0x11, 0).failed) << f.name;
    EXPECT_TRUE(OpenWithHeapFill(path, 0x11, 1).failed) << f.name;
  }
}

// The finding's own file: a DXT5 texture cut at 40,000 of its 88,596 bytes.
TEST(BlpTruncation, CutPeerTextureIsRefused) {
  SKIP_WITHOUT_PEER_FILES();
  QTemporaryDir dir;
  const QString path = dir.filePath("pinta.blp");
  ondrel_test::WriteFile(path, ondrel_test::ReadFile(ONDREL_PEER_BLP "/Pinta365-blp/pinta.blp").left(40000));
  EXPECT_TRUE(OpenWithHeapFill(path, 0x11).failed);
}

// JPEG content stores four channels; with alpha bits 0 the fourth is no alpha: the picture
// is 24-bit, so it shows opaque and converts to DXT1.
TEST(BlpJpegAlphaBits, ZeroAlphaBitsLoadWithoutAlpha) {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.blp");
  const TBitmap photo = ondrel_test::PhotoBitmap(32, 16, true);
  for (const bool alpha : {false, true}) {
    SaveBlpImage(path, photo, 0, DesignedFileFormatOptions(), alpha);
    TBitmap target;
    const OpenResult r = OpenImage(path, target, {true, false, false, 0}, {});
    EXPECT_EQ(target.pixelFormat(), alpha ? PixelFormat::Bit32 : PixelFormat::Bit24) << alpha;
    EXPECT_EQ(r.imageHasAlpha, alpha);
  }
}

TEST(BlpJpegAlphaBits, PeerMinimapLoadsWithoutAlpha) {
  SKIP_WITHOUT_PEER_FILES();
  TBitmap target;
  const OpenResult r =
      OpenImage(ONDREL_PEER_BLP "/wc3libs/war3mapMap.blp", target, {true, false, false, 0}, {});
  ASSERT_FALSE(r.failed);
  EXPECT_EQ(target.pixelFormat(), PixelFormat::Bit24);
  EXPECT_FALSE(r.imageHasAlpha);
}

}  // namespace
