// The bitmap class, the alpha treatment, the colour count, the alpha views and the folder
// functions.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ImgUtils.hpp"
#include "file_lists.hpp"
#include "picture_formats.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

TBitmap Filled(int w, int h, PixelFormat f, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a = 255) {
  TBitmap bm;
  bm.reset(w, h, f);
  const int bpp = bm.bytesPerPixel();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = bm.scanLine(y) + bpp * x;
      p[0] = b;
      p[1] = g;
      p[2] = r;
      if (bpp == 4) p[3] = a;
    }
  return bm;
}

std::uint8_t AlphaAt(const TBitmap& b, int x, int y) { return b.scanLine(y)[4 * x + 3]; }

TEST(TBitmap, FormatConversionsKeepColours) {
  TBitmap b = Filled(3, 2, PixelFormat::Bit32, 10, 20, 30, 7);
  b.setPixelFormat(PixelFormat::Bit24);  // alpha dropped, never blended
  EXPECT_EQ(b.pixelFormat(), PixelFormat::Bit24);
  EXPECT_EQ(b.scanLine(1)[3], 10);
  EXPECT_EQ(b.scanLine(1)[4], 20);
  EXPECT_EQ(b.scanLine(1)[5], 30);
  b.setPixelFormat(PixelFormat::Bit32);
  EXPECT_EQ(AlphaAt(b, 2, 1), 255);
  EXPECT_EQ(b.scanLine(1)[8], 10);
  // Copies share until written.
  TBitmap copy(b);
  copy.scanLine(0)[0] = 99;
  EXPECT_EQ(b.scanLine(0)[0], 10);
}

TEST(TBitmap, PackedRowsBothOrders) {
  TBitmap b = ondrel_test::PhotoBitmap(5, 3, false);
  const auto top = b.packed();
  const auto bottom = b.packed(true);
  EXPECT_TRUE(std::equal(top.begin(), top.begin() + 15, bottom.end() - 15));
  TBitmap c;
  c.reset(5, 3, PixelFormat::Bit24);
  c.copyFromPacked(bottom.data(), true);
  EXPECT_TRUE(ondrel_test::SamePixels(b, c));
}

TEST(AlphaTreatment, Values) {
  {
    TBitmap b = Filled(2, 2, PixelFormat::Bit24, 1, 2, 3);
    EXPECT_FALSE(ApplyAlphaTreatment(b, 0, true));
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bit24);
    EXPECT_TRUE(ApplyAlphaTreatment(b, 1, false));
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bit32);
    EXPECT_EQ(AlphaAt(b, 1, 1), 255);
  }
  {
    TBitmap b = Filled(2, 2, PixelFormat::Bit32, 1, 2, 3, 40);
    EXPECT_TRUE(ApplyAlphaTreatment(b, 0, false));
    EXPECT_FALSE(ApplyAlphaTreatment(b, 2, true));
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bit24);
  }
  {
    TBitmap b = Filled(2, 2, PixelFormat::Bit32, 1, 2, 3, 40);
    const TBitmap before(b);
    EXPECT_TRUE(ApplyAlphaTreatment(b, 5, true));  // above 4: nothing, flag unchanged
    EXPECT_FALSE(ApplyAlphaTreatment(b, 200, false));
    EXPECT_TRUE(ondrel_test::SamePixels(b, before));
  }
}

TEST(AlphaTreatment, DecideFromValues) {
  TBitmap b24 = Filled(3, 3, PixelFormat::Bit24, 0, 0, 0);
  EXPECT_FALSE(ApplyAlphaTreatment(b24, 3, true));
  TBitmap half = Filled(3, 3, PixelFormat::Bit32, 0, 0, 0, 128);
  EXPECT_FALSE(ApplyAlphaTreatment(half, 3, true));
  TBitmap opaque = Filled(3, 3, PixelFormat::Bit32, 0, 0, 0, 255);
  EXPECT_TRUE(ApplyAlphaTreatment(opaque, 3, false));
  TBitmap clear = Filled(3, 3, PixelFormat::Bit32, 0, 0, 0, 0);
  EXPECT_TRUE(ApplyAlphaTreatment(clear, 3, false));
  TBitmap varying = Filled(3, 3, PixelFormat::Bit32, 0, 0, 0, 128);
  varying.scanLine(2)[4 * 2 + 3] = 129;
  EXPECT_TRUE(ApplyAlphaTreatment(varying, 3, false));
  // Rows uniform but different from each other: no difference inside a row, no extreme.
  TBitmap rows = Filled(3, 3, PixelFormat::Bit32, 0, 0, 0, 100);
  for (int x = 0; x < 3; ++x) rows.scanLine(1)[4 * x + 3] = 120;
  EXPECT_FALSE(ApplyAlphaTreatment(rows, 3, true));
  EXPECT_EQ(AlphaAt(rows, 0, 1), 120);  // nothing changed
}

TEST(AlphaTreatment, OnePixelBorder) {
  TBitmap one = Filled(1, 1, PixelFormat::Bit24, 5, 6, 7);
  EXPECT_TRUE(ApplyAlphaTreatment(one, 4, false));
  EXPECT_EQ(one.pixelFormat(), PixelFormat::Bit32);
  EXPECT_EQ(AlphaAt(one, 0, 0), 0);
  TBitmap b24 = Filled(4, 3, PixelFormat::Bit24, 5, 6, 7);
  ApplyAlphaTreatment(b24, 4, false);
  TBitmap b32 = Filled(4, 3, PixelFormat::Bit32, 5, 6, 7, 77);
  ApplyAlphaTreatment(b32, 4, false);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool border = x == 0 || y == 0 || x == 3 || y == 2;
      EXPECT_EQ(AlphaAt(b24, x, y), border ? 0 : 255);
      EXPECT_EQ(AlphaAt(b32, x, y), border ? 0 : 77);
    }
}

TEST(CountColors, IgnoresAlphaAndCountsTriples) {
  TBitmap b = Filled(4, 4, PixelFormat::Bit32, 1, 2, 3, 0);
  EXPECT_EQ(CountColors(b), 1u);
  b.scanLine(0)[3] = 200;  // alpha only
  EXPECT_EQ(CountColors(b), 1u);
  b.scanLine(1)[0] = 9;  // another blue in the same (red, green) bucket
  b.scanLine(2)[2] = 9;  // another red
  EXPECT_EQ(CountColors(b), 3u);
  TBitmap b24 = b;
  b24.setPixelFormat(PixelFormat::Bit24);
  EXPECT_EQ(CountColors(b24), 3u);
  TBitmap all;
  all.reset(4096, 4096, PixelFormat::Bit24);
  for (int y = 0; y < 4096; ++y)
    for (int x = 0; x < 4096; ++x) {
      const std::uint32_t v = std::uint32_t(y) * 4096 + x;
      std::uint8_t* p = all.scanLine(y) + 3 * x;
      p[0] = std::uint8_t(v);
      p[1] = std::uint8_t(v >> 8);
      p[2] = std::uint8_t(v >> 16);
    }
  EXPECT_EQ(CountColors(all), 1u << 24);
}

TEST(AlphaViews, GreyAndChecker) {
  TBitmap b = Filled(17, 9, PixelFormat::Bit32, 200, 100, 50, 0);
  b.scanLine(0)[3] = 255;
  b.scanLine(8)[4 * 16 + 3] = 128;
  TBitmap grey(b);
  ShowAlphaAsGrey(grey);
  EXPECT_EQ(grey.scanLine(0)[0], 255);
  EXPECT_EQ(grey.scanLine(0)[2], 255);
  EXPECT_EQ(grey.scanLine(8)[4 * 16], 128);
  EXPECT_EQ(grey.scanLine(1)[1], 0);
  TBitmap checker(b);
  CompositeOnChecker(checker);
  EXPECT_EQ(checker.scanLine(0)[0], 200);  // opaque: the pixel itself
  EXPECT_EQ(checker.scanLine(0)[3], 255);
  EXPECT_EQ(checker.scanLine(1)[4 * 1], 192);  // transparent: the top-left cell's grey
  EXPECT_EQ(checker.scanLine(1)[4 * 8], 255);  // the next cell along the row
  EXPECT_EQ(checker.scanLine(8)[4 * 1], 255);  // the next cell down
  EXPECT_EQ(checker.scanLine(8)[4 * 16], (255 * 127 + 200 * 128) / 255);  // (16, 8): cell (2, 1)
}

// The format table is the extension list, the dispatcher's lookup and the registry at once.
TEST(FileLists, ExtensionOrderAndFormatTable) {
  const auto& e = ImageExtensions();
  const QStringList list(e.begin(), e.end());
  EXPECT_EQ(list, (QStringList{".bmp", ".tga", ".blp", ".jpg", ".jpeg", ".png", ".dds"}));
  EXPECT_EQ(LowerExtension("/a.b/c.JPEG"), ".jpeg");
  EXPECT_EQ(LowerExtension("/a.b/c"), "");
  QStringList registered;
  for (const PictureFormat& f : PictureFormats()) {
    EXPECT_EQ(FindPictureFormat("/x/name" + QString(f.extension).toUpper()), &f);
    EXPECT_NE(f.load, nullptr);
    EXPECT_NE(f.save, nullptr);
    if (f.create != nullptr) registered << QString(f.extension) + " " + f.description;
  }
  EXPECT_EQ(registered, (QStringList{".bmp Bitmap", ".tga Targa Image", ".blp Blizzard Texture",
                                     ".jpg JPEG Image", ".jpeg JPEG Image", ".dds DirectDraw Surface"}));
  EXPECT_EQ(FindPictureFormat("a.jpe"), nullptr);
}

TEST(FileLists, TrailingSlash) {
  EXPECT_EQ(WithTrailingBackslash(""), "");
  EXPECT_EQ(WithTrailingBackslash("/tmp"), "/tmp/");
  EXPECT_EQ(WithTrailingBackslash("/tmp/"), "/tmp/");
}

TEST(FileLists, ListAndCreate) {
  QTemporaryDir dir;
  const QString root = dir.path() + '/';
  ASSERT_TRUE(CreateFolderPath(root + "sub/deeper/"));
  ASSERT_TRUE(CreateFolderPath(root + ".hidden/"));
  EXPECT_TRUE(QDir(root + "sub/deeper").exists());
  EXPECT_TRUE(CreateFolderPath(root + "x/notcreated"));
  EXPECT_TRUE(QDir(root + "x").exists());
  EXPECT_FALSE(QDir(root + "x/notcreated").exists());
  for (const char* name : {"a.BLP", "b.blp", "c.blpx", "sub/d.blp", "sub/deeper/e.Blp", ".hidden/f.blp"})
    ondrel_test::WriteFile(root + name, "x");
  QDir().mkdir(root + "folder.blp");
  QFile::link(root + "sub", root + "link");  // never followed
  QStringList flat;
  ListFilesByExtension(root, ".blp", false, flat);
  flat.sort();
  EXPECT_EQ(flat, (QStringList{root + "a.BLP", root + "b.blp"}));
  QStringList deep;
  ListFilesByExtension(root, ".blp", true, deep);
  deep.sort();
  EXPECT_EQ(deep, (QStringList{root + "a.BLP", root + "b.blp", root + "sub/d.blp", root + "sub/deeper/e.Blp"}));
  // A file where a folder is wanted.
  ondrel_test::WriteFile(root + "file", "x");
  EXPECT_FALSE(CreateFolderPath(root + "file/inside/"));
}

}  // namespace
