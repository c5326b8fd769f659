// The image classes on files of our own encoders: BLP header facts and alpha rules, the
// optimizer and the paletted re-save on encoder output, TGA row order and header, DDS facts,
// and the peer BLP files through the dispatcher.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

#include "ImgUtils.hpp"
#include "UnitBLPImageUtils.hpp"
#include "blp1_comment.hpp"
#include "blp1_files.hpp"
#include "blp1_levels.hpp"
#include "om_blp.hpp"
#include "om_tga.hpp"
#include "ormel_blp.h"
#include "test_files.hpp"

using namespace ondrel;

namespace {

QByteArray EncodeBlp(const TBitmap& picture, TBLPHeader record) {
  TBitmap b(picture);
  b.setPixelFormat(PixelFormat::Bit32);
  const auto px = b.packed();
  record.Width = std::uint32_t(b.width());
  record.Height = std::uint32_t(b.height());
  record.HasMipmaps = 1;
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  BLP_SaveToMemory(px.data(), &record, &data, &size);
  if (data == nullptr) return {};
  QByteArray out(reinterpret_cast<const char*>(data), qsizetype(size));
  BLP_FreeMem(&data);
  return out;
}

TBLPHeader Blp1Jpeg(int quality, bool merged, bool progressive, std::uint32_t mipmapsMinus1) {
  TBLPHeader r{};
  std::memcpy(r.Signature, "BLP1", 4);
  r.Compression = 0;
  r.AlphaBits = 8;
  r.PictureType = 4;
  r.MipmapsMinus1 = mipmapsMinus1;
  r.ColorsOrQuality = std::uint32_t(quality);
  r.FlagA = merged;
  r.FlagB = progressive;
  return r;
}

TBLPHeader Blp1Paletted(std::uint32_t colours, bool alpha, bool compress, std::uint32_t mipmapsMinus1) {
  TBLPHeader r{};
  std::memcpy(r.Signature, "BLP1", 4);
  r.Compression = 1;
  r.AlphaBits = alpha ? 8 : 0;
  r.PictureType = alpha ? 4 : 5;
  r.MipmapsMinus1 = mipmapsMinus1;
  r.ColorsOrQuality = colours;
  r.FlagA = compress;
  return r;
}

TBLPBitmap LoadBlp(QByteArray file, std::uint8_t mipmap = 0) {
  QBuffer b(&file);
  b.open(QIODevice::ReadOnly);
  TBLPBitmap blp;
  blp.MipmapIndex = mipmap;
  blp.LoadFromStream(b);
  return blp;
}

class EncoderFiles : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const char* name) { return dir.filePath(name); }
};

// Every merge/progressive combination of our encoder: the optimizer never changes a decoded
// pixel of any level, and a file that is already optimal saves nothing and stays as it is.
TEST_F(EncoderFiles, OptimizerKeepsEveryLevel) {
  const TBitmap picture = ondrel_test::PhotoBitmap(64, 32, true);
  for (const bool merged : {false, true})
    for (const bool progressive : {false, true}) {
      const QByteArray source = EncodeBlp(picture, Blp1Jpeg(70, merged, progressive, 15));
      ASSERT_FALSE(source.isEmpty());
      ondrel_test::WriteFile(path("a.blp"), source);
      QFile::remove(path("b.blp"));
      const std::int32_t saved = OptimizeJpegBlp(path("a.blp"), path("b.blp"));
      // Nothing to gain: no target is made.
      EXPECT_EQ(QFileInfo::exists(path("b.blp")), saved > 0);
      const QByteArray optimized = saved > 0 ? ondrel_test::ReadFile(path("b.blp")) : source;
      if (merged) {
        EXPECT_EQ(saved, 0);
      } else {
        EXPECT_GT(saved, 0);
      }
      for (std::uint8_t level = 0; level < 7; ++level) {
        const TBLPBitmap a = LoadBlp(source, level), b = LoadBlp(optimized, level);
        EXPECT_GT(a.width(), 0);
        EXPECT_TRUE(ondrel_test::SamePixels(a, b)) << merged << progressive << int(level);
      }
      if (saved > 0) {
        EXPECT_EQ(OptimizeJpegBlp(path("b.blp"), path("b.blp")), 0);
        EXPECT_EQ(ondrel_test::ReadFile(path("b.blp")), optimized);
      }
    }
}

TEST_F(EncoderFiles, Blp1JpegFacts) {
  const QByteArray file = EncodeBlp(ondrel_test::PhotoBitmap(32, 32, false), Blp1Jpeg(77, true, true, 0));
  const TBLPBitmap blp = LoadBlp(file);
  EXPECT_EQ(blp.Compression, 0u);
  EXPECT_EQ(blp.AuxSize, 76u);
  EXPECT_EQ(blp.UsedColorsOrQuality, 77u);
  EXPECT_TRUE(blp.Progressive);
  EXPECT_EQ(blp.pixelFormat(), PixelFormat::Bit32);  // JPEG content always keeps four channels
  EXPECT_EQ(blp.FileSize, std::uint32_t(file.size()));
  const JpegQualityTable none;
  QByteArray copy = file;
  QBuffer b(&copy);
  b.open(QIODevice::ReadOnly);
  TBLPBitmap withoutTable(none);
  withoutTable.LoadFromStream(b);
  EXPECT_EQ(withoutTable.UsedColorsOrQuality, 0u);
}

TEST_F(EncoderFiles, PalettedFactsAndAlphaRules) {
  // 12 colours in a compressed palette: used entries = 12 (the last non-zero one).
  TBitmap few;
  few.reset(16, 16, PixelFormat::Bit24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      std::uint8_t* p = few.scanLine(y) + 3 * x;
      p[0] = std::uint8_t(20 + (x % 12) * 19);
      p[1] = 100;
      p[2] = 50;
    }
  QByteArray file = EncodeBlp(few, Blp1Paletted(256, true, false, 0));
  TBLPBitmap blp = LoadBlp(file);
  EXPECT_EQ(blp.AuxSize, 1024u);
  EXPECT_EQ(blp.UsedColorsOrQuality, 12u);
  EXPECT_EQ(blp.pixelFormat(), PixelFormat::Bit32);
  // Picture type 5 drops alpha even with alpha bits 8.
  file[20] = 5;
  EXPECT_EQ(LoadBlp(file).pixelFormat(), PixelFormat::Bit24);
  // A palette that is zero throughout reports 1.
  QByteArray zero = file;
  zero.replace(156, 1024, QByteArray(1024, '\0'));
  EXPECT_EQ(LoadBlp(zero).UsedColorsOrQuality, 1u);
  // 256 non-zero entries report 256.
  QByteArray full = file;
  full.replace(156, 1024, QByteArray(1024, '\x07'));
  EXPECT_EQ(LoadBlp(full).UsedColorsOrQuality, 256u);
}

TEST_F(EncoderFiles, MipmapIndexSelectsLevel) {
  const QByteArray file = EncodeBlp(ondrel_test::PhotoBitmap(256, 256, false), Blp1Paletted(64, false, true, 15));
  const TBLPBitmap level3 = LoadBlp(file, 3);
  EXPECT_EQ(level3.width(), 32);
  EXPECT_EQ(level3.height(), 32);
  EXPECT_EQ(level3.pixelFormat(), PixelFormat::Bit24);
}

// A paletted file with unused palette entries shrinks once; the second pass saves nothing.
TEST_F(EncoderFiles, ResavePalettedShrinksOnce) {
  TBitmap few = ondrel_test::PhotoBitmap(32, 32, false);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      std::uint8_t* p = few.scanLine(y) + 3 * x;
      p[0] = std::uint8_t((p[0] / 64) * 64);  // at most 64 colours
      p[1] = std::uint8_t((p[1] / 128) * 128);
      p[2] = std::uint8_t((p[2] / 128) * 128);
    }
  const QByteArray source = EncodeBlp(few, Blp1Paletted(256, false, false, 5));
  ondrel_test::WriteFile(path("p.blp"), source);
  ASSERT_EQ(ClassifyForOptimization(path("p.blp")), 1);
  const TBLPBitmap before = LoadBlp(source);
  const std::int32_t first = ResavePalettedBlp(path("p.blp"), path("p.blp"));
  EXPECT_GT(first, 0);
  const QByteArray after = ondrel_test::ReadFile(path("p.blp"));
  EXPECT_EQ(first, source.size() - after.size());
  EXPECT_EQ(ResavePalettedBlp(path("p.blp"), path("p.blp")), 0);
  const TBLPBitmap now = LoadBlp(after);
  EXPECT_TRUE(ondrel_test::SamePixels(now, before));
  for (int i = 0; i < 6; ++i) EXPECT_NE(now.MipmapSizes[i], 0u);
}

// The re-save keeps exactly the levels the file had: wherever they are stored, and no more.
TEST_F(EncoderFiles, ResavePalettedKeepsExactlyTheLevels) {
  struct Case {
    std::uint32_t mipmapsMinus1;
    ondrel_test::LevelPlacement placement;
    bool emptyBeyond = false;  // entries after the last level 0 instead of copies
  };
  const Case cases[] = {{5, {}},         {5, {{}, {0, 0, 50}, 0}}, {5, {{5, 4, 3, 2, 1, 0}, {}, 9}},
                        {0, {}},         {0, {}, true},            {2, {}, true}};
  for (const auto& c : cases) {
    const QByteArray made = EncodeBlp(ondrel_test::PhotoBitmap(32, 32, false), Blp1Paletted(256, false, false, c.mipmapsMinus1));
    const int levels = int(c.mipmapsMinus1) + 1;
    QByteArray file = ondrel_test::RelayBlp1Levels(made, levels, c.placement);
    for (int i = levels; c.emptyBeyond && i < 16; ++i) {
      std::span<std::uint8_t> s(reinterpret_cast<std::uint8_t*>(file.data()), std::size_t(file.size()));
      SetMipmapOffset(s, i, 0);
      SetMipmapSize(s, i, 0);
    }
    ondrel_test::WriteFile(path("l.blp"), file);
    ResavePalettedBlp(path("l.blp"), path("l.blp"));
    const QByteArray after = ondrel_test::ReadFile(path("l.blp"));
    const auto kinds = ClassifyLevelEntries(ReadBlp1Header(path("l.blp")), std::uint64_t(after.size()), 6);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), LevelEntry::Level), levels) << c.mipmapsMinus1;
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), LevelEntry::Outside), 0);
  }
}

// The re-save rewrites the mipmap tables; the comment kept in their unused entries stays.
TEST_F(EncoderFiles, ResavePalettedKeepsTheComment) {
  QByteArray source = EncodeBlp(ondrel_test::PhotoBitmap(32, 32, false), Blp1Paletted(256, false, false, 5));
  Blp1Header header;
  std::copy_n(source.constData(), kBlp1HeaderSize, header.begin());
  WriteBlpComment(header, "kept across the re-save");
  std::copy(header.begin(), header.end(), source.begin());
  ondrel_test::WriteFile(path("c.blp"), source);
  ResavePalettedBlp(path("c.blp"), path("c.blp"));
  EXPECT_EQ(ReadBlpComment(ReadBlp1Header(path("c.blp"))), "kept across the re-save");
}

TEST_F(EncoderFiles, SaveWithoutAlphaMakesJpegContentOpaque) {
  TBLPBitmap blp;
  blp.assign(ondrel_test::PhotoBitmap(16, 16, true));
  blp.Signature = kSignatureBlp1;
  blp.Compression = 0;
  blp.SaveColorsOrQuality = 90;
  blp.HasAlpha = false;
  QByteArray file;
  QBuffer b(&file);
  b.open(QIODevice::WriteOnly);
  blp.SaveToStream(b);
  EXPECT_EQ(file[20], 5);  // picture type without alpha
  EXPECT_EQ(file[8], 0);   // alpha bits
  // The stored fourth channel is opaque; the program loads the file without it.
  std::vector<std::uint8_t> stored(16 * 16 * 4);
  std::uint16_t w = 0, h = 0;
  BLP_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()), 0,
                       stored.data(), stored.size(), &w, &h);
  int opaque = 0;
  for (std::size_t i = 3; i < stored.size(); i += 4) opaque += stored[i] >= 250;
  EXPECT_EQ(opaque, 256);
  EXPECT_EQ(LoadBlp(file).pixelFormat(), PixelFormat::Bit24);
}

TEST(Tga, RowOrderAndHeader) {
  const TBitmap picture = ondrel_test::PhotoBitmap(5, 3, false);
  for (const bool topLeft : {false, true}) {
    TTGABitmap tga;
    tga.assign(picture);
    tga.TopLeft = topLeft;
    tga.Override = tga.ErrorDiffusion = tga.CompressPalette = true;  // option bits, never in the file
    QByteArray file;
    QBuffer w(&file);
    w.open(QIODevice::WriteOnly);
    tga.SaveToStream(w);
    EXPECT_EQ(file[0], 0);
    EXPECT_EQ((std::uint8_t(file[17]) & 0x20) != 0, topLeft);
    // The first stored row is the top row only with the top-left option.
    const int firstRow = topLeft ? 0 : 2;
    EXPECT_EQ(std::memcmp(file.constData() + 18, picture.scanLine(firstRow), 15), 0);
    QBuffer r(&file);
    r.open(QIODevice::ReadOnly);
    TTGABitmap back;
    back.LoadFromStream(r);
    EXPECT_EQ(back.TopLeft, topLeft);
    EXPECT_TRUE(ondrel_test::SamePixels(back, picture));
  }
}

TEST(Dds, FactsOfOurFiles) {
  QTemporaryDir dir;
  FileFormatOptions o = DesignedFileFormatOptions();
  o.dds = {1, 0, 3, {}};
  SaveDdsImage(dir.filePath("a.dds"), ondrel_test::PhotoBitmap(32, 32, false), o);
  TBitmap t;
  OpenResult r = OpenImage(dir.filePath("a.dds"), t, {true, false, false, 0}, {});
  ASSERT_TRUE(std::holds_alternative<DdsFacts>(r.facts));
  EXPECT_TRUE(std::get<DdsFacts>(r.facts).Compressed);
  EXPECT_EQ(std::get<DdsFacts>(r.facts).AlphaBits, 0);  // DXT1
  EXPECT_EQ(std::get<DdsFacts>(r.facts).MipmapCount, 4);
  o.dds = {0, 0, 0, {}};
  SaveDdsImage(dir.filePath("b.dds"), ondrel_test::PhotoBitmap(8, 8, true), o);
  r = OpenImage(dir.filePath("b.dds"), t, {true, false, false, 0}, {});
  EXPECT_FALSE(std::get<DdsFacts>(r.facts).Compressed);
  EXPECT_EQ(std::get<DdsFacts>(r.facts).AlphaBits, 8);
}

// DXT blocks decode to four bytes a pixel whatever the head's RGB bit count field holds (some
// writers fill it for compressed files too).
TEST(Dds, DxtFileWithAnRgbBitCountLoadsItsBlocks) {
  QTemporaryDir dir;
  FileFormatOptions o = DesignedFileFormatOptions();
  o.dds = {1, 0, 0, {}};
  SaveDdsImage(dir.filePath("a.dds"), ondrel_test::PhotoBitmap(16, 16, true), o);
  QByteArray bytes = ondrel_test::ReadFile(dir.filePath("a.dds"));
  TBitmap plain, filled;
  ASSERT_FALSE(OpenImage(dir.filePath("a.dds"), plain, {}, {}).failed);
  bytes[88] = 24;
  ondrel_test::WriteFile(dir.filePath("b.dds"), bytes);
  ASSERT_FALSE(OpenImage(dir.filePath("b.dds"), filled, {}, {}).failed);
  EXPECT_TRUE(ondrel_test::SamePixels(plain, filled));
}

// Real files of other writers: each loads, or is reported as a load error, without a crash.
TEST(PeerFiles, OpenEveryLevel) {
  QDir peers(ONDREL_PEER_BLP);
  if (!peers.exists()) GTEST_SKIP() << "no peer BLP folder";
  int loaded = 0;
  QDirIterator it(peers.path(), {"*.blp"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString f = it.next();
    for (std::uint8_t level : {0, 1, 4, 15}) {
      TBitmap t;
      bool failed = false;
      OpenImage(f, t, {true, true, false, level}, [&](const QString&) { failed = true; });
      if (!failed && !t.empty()) ++loaded;
    }
  }
  EXPECT_GT(loaded, 10);
}

}  // namespace
