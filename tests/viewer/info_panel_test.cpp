// The information panel's rows for each format, the irregular-value qualifiers, and the
// mipmap list with its widths, counts and the choosing of lines.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QTemporaryDir>

#include "info_panel.hpp"
#include "ormel_blp.h"
#include "test_files.hpp"

namespace ondrel {
namespace {

// Caption n reads "Cn", so every expected text names the entry it comes from.
QStringList Captions() {
  QStringList c;
  for (int i = 0; i <= 40; ++i) c << QString("C%1").arg(i);
  return c;
}

InfoPanelTexts Panel(const ImageFacts& facts, QSize levelZero = QSize(256, 256)) {
  const auto panel = BuildInfoPanel(facts, levelZero, Captions());
  EXPECT_TRUE(panel.has_value());
  return panel.value_or(InfoPanelTexts{});
}

// The seven rows as one line each: "caption=value"; "-" for a caption from the language file.
QStringList Rows(const InfoPanelTexts& p) {
  return {"-=" + p.signature,
          p.compressionCaption + "=" + p.compression,
          "-=" + p.pictureType,
          p.alphaCaption + "=" + p.alpha,
          p.headerCaption + "=" + p.header,
          p.qualityCaption + "=" + p.quality,
          "-=" + p.mipmapCount};
}

BlpFacts Blp1(std::uint32_t compression) {
  BlpFacts f;
  f.Signature = 0x31504C42;
  f.Compression = compression;
  f.AuxSize = 624;
  f.MipmapSizes[0] = 100;
  f.MipmapOffsets[0] = 780;
  f.FileSize = 880;
  return f;
}

BlpFacts Blp2(std::uint8_t encoding, std::uint8_t alphaDepth, std::uint8_t alphaEncoding) {
  BlpFacts f;
  f.Signature = 0x32504C42;
  f.Compression = 1;
  f.Encoding = encoding;
  f.AlphaDepth = alphaDepth;
  f.AlphaEncoding = alphaEncoding;
  f.AuxSize = 0;
  f.MipmapOffsets[0] = 148;
  f.MipmapSizes[0] = 64;
  f.FileSize = 212;
  return f;
}

struct FormatCase {
  const char* name;
  ImageFacts facts;
  QStringList rows;
  bool signatureShown, mipmapRowShown, mipmapListShown;
};

TEST(InfoPanel, RowsForEachFormat) {
  BlpFacts jpeg = Blp1(0);
  jpeg.AlphaBits = 8;
  jpeg.UsedColorsOrQuality = 85;
  BlpFacts jpegProgressiveUnknown = Blp1(0);
  jpegProgressiveUnknown.Progressive = true;
  jpegProgressiveUnknown.UsedColorsOrQuality = 255;
  BlpFacts paletted = Blp1(1);
  paletted.AlphaBits = 4;
  paletted.PictureType = 4;
  paletted.UsedColorsOrQuality = 200;
  BlpFacts palettedType5 = Blp1(1);
  palettedType5.PictureType = 5;
  palettedType5.UsedColorsOrQuality = 256;
  const QString list1 = "-=1 (C12: 0)";

  const FormatCase cases[] = {
      {"BLP1 JPEG", jpeg,
       {"-=C5", "C26=C7", "-=C6", "C27=8 C11", "C28=624 C15", "C22=85 %", list1}, true, true, true},
      {"BLP1 progressive JPEG, quality not recognised", jpegProgressiveUnknown,
       {"-=C5", "C26=C7", "-=C25", "C27=0 C11", "C28=624 C15", "C22=C39", list1}, true, true, true},
      {"BLP1 paletted, 4 alpha bits", paletted,
       {"-=C5", "C26=C33", "-=C9", "C27=4 C11 (C12)", "C28=624 C15", "C23=200 C24", list1}, true,
       true, true},
      {"BLP1 paletted, picture type 5", palettedType5,
       {"-=C5", "C26=C33", "-=C10", "C27=0 C11", "C28=624 C15", "C23=256 C24", list1}, true, true,
       true},
      {"BLP2 paletted without alpha", Blp2(1, 0, 0),
       {"-=C16", "C26=C33", "-=C8", "C27=0 C11", "C28=0 C15", "=", list1}, true, true, true},
      {"BLP2 paletted with alpha", Blp2(1, 8, 0),
       {"-=C16", "C26=C33", "-=C9", "C27=8 C11", "C28=0 C15", "=", list1}, true, true, true},
      {"BLP2 DXT1", Blp2(2, 1, 0),
       {"-=C16", "C26=C20", "-=C17", "C27=1 C11", "C28=0 C15", "=", list1}, true, true, true},
      {"BLP2 DXT3", Blp2(2, 8, 1),
       {"-=C16", "C26=C20", "-=C18", "C27=8 C11", "C28=0 C15", "=", list1}, true, true, true},
      {"BLP2 DXT5, unusual alpha depth", Blp2(2, 2, 7),
       {"-=C16", "C26=C20", "-=C19", "C27=2 C11 (C12)", "C28=0 C15", "=", list1}, true, true, true},
      {"BLP2 four-byte pixels", Blp2(3, 8, 0),
       {"-=C16", "C26=C33", "-=C21", "C27=8 C11", "C28=0 C15", "=", list1}, true, true, true},
      {"TGA run-length, colour-mapped, 32-bit entries, top-left",
       TgaFacts{.Rle = true, .Paletted = true, .TopLeft = true, .Colors = 17, .AlphaBits = 8},
       {"-=C35", "C26=C34", "-=C8", "C27=8 C11", "C29=C31", "C23=17 C24", "-="}, true, false, false},
      {"TGA true colour, bottom-left", TgaFacts{},
       {"-=C35", "C26=C33", "-=C21", "C27=0 C11", "C29=C32", "=", "-="}, true, false, false},
      {"JPG", JpegFacts{.Quality = 75, .Progressive = false},
       {"-=C37", "C26=75 %", "-=C6", "=", "=", "=", "-="}, true, false, false},
      {"JPG progressive, quality not recognised", JpegFacts{.Quality = 255, .Progressive = true},
       {"-=C37", "C26=C39", "-=C25", "=", "=", "=", "-="}, true, false, false},
      {"PNG paletted with transparency", PngFacts{.interlaced = false, .paletted = true, .alphaBits = 8},
       {"-=C36", "C30=C33", "-=C8", "C27=8 C11", "=", "=", "-="}, true, false, false},
      {"PNG interlaced true colour", PngFacts{.interlaced = true, .paletted = false, .alphaBits = 0},
       {"-=C36", "C30=C40", "-=C21", "C27=0 C11", "=", "=", "-="}, true, false, false},
      {"DDS DXT1", DdsFacts{.Compressed = true, .AlphaBits = 0, .MipmapCount = 9},
       {"-=C38", "C26=C20", "-=C17", "C27=0 C11", "=", "=", "-=9"}, true, true, false},
      {"DDS DXT3", DdsFacts{.Compressed = true, .AlphaBits = 4, .MipmapCount = 0},
       {"-=C38", "C26=C20", "-=C18", "C27=4 C11", "=", "=", "-=0"}, true, true, false},
      {"DDS DXT5", DdsFacts{.Compressed = true, .AlphaBits = 8, .MipmapCount = 1},
       {"-=C38", "C26=C20", "-=C19", "C27=8 C11", "=", "=", "-=1"}, true, true, false},
      {"DDS uncompressed 32-bit", DdsFacts{.Compressed = false, .AlphaBits = 8, .MipmapCount = 5},
       {"-=C38", "C26=C33", "-=C21", "C27=8 C11", "=", "=", "-=5"}, true, true, false},
      {"BMP", BmpFacts{}, {"-=", "=", "-=", "=", "=", "=", "-="}, false, false, false},
  };
  for (const FormatCase& c : cases) {
    const InfoPanelTexts p = Panel(c.facts);
    EXPECT_EQ(Rows(p), c.rows) << c.name;
    EXPECT_EQ(p.signatureShown, c.signatureShown) << c.name;
    EXPECT_EQ(p.mipmapRowShown, c.mipmapRowShown) << c.name;
    EXPECT_EQ(p.mipmapListShown, c.mipmapListShown) << c.name;
    EXPECT_EQ(p.mipmaps.has_value(), std::holds_alternative<BlpFacts>(c.facts)) << c.name;
  }
}

TEST(InfoPanel, NoLoaderLeavesThePanelAlone) {
  EXPECT_FALSE(BuildInfoPanel(std::monostate{}, QSize(), Captions()).has_value());
  EXPECT_TRUE(IsBlp1(Blp1(0)));
  EXPECT_FALSE(IsBlp1(Blp2(2, 0, 0)));
  EXPECT_FALSE(IsBlp1(TgaFacts{}));
}

// A contiguous chain of `levels` levels of a 256 x 256 DXT1 texture from offset 148.
MipmapTable Chain(int levels, QSize levelZero = QSize(256, 256)) {
  MipmapTable t;
  t.levelZero = levelZero;
  std::uint32_t offset = 148, size = 32768;
  for (int i = 0; i < levels; ++i) {
    t.offsets[i] = offset;
    t.sizes[i] = size;
    offset += size;
    size = std::max<std::uint32_t>(size / 4, 8);
  }
  t.fileSize = offset;
  return t;
}

TEST(MipmapList, HeaderAndLinesKeepTheirColumns) {
  const MipmapList list = BuildMipmapList(Chain(3), Captions());
  EXPECT_EQ(list.lines, (QStringList{" # | C13    | C14", " 0 | 148    | 32768  ",
                                     " 1 | 32916  | 8192   ", " 2 | 41108  | 2048   "}));
  // A longer offset heading widens the offset column to its length.
  QStringList captions = Captions();
  captions[13] = "Position";
  captions[14] = "Bytes";
  EXPECT_EQ(BuildMipmapList(Chain(2), captions).lines,
            (QStringList{" # | Position | Bytes", " 0 | 148      | 32768  ",
                         " 1 | 32916    | 8192   "}));
}

TEST(MipmapList, NineContiguousLevelsOfA256TextureAreRegular) {
  const MipmapList list = BuildMipmapList(Chain(9), Captions());
  EXPECT_EQ(list.lines.size(), 10);
  EXPECT_EQ(list.regular, 9);
  EXPECT_EQ(list.irregular, 0);
  EXPECT_EQ(list.countText, "9 (C12: 0)");
}

TEST(MipmapList, IrregularLevelsAreCounted) {
  // Gaps, levels beyond the chain a 16 x 16 picture has, and repeated entries.
  MipmapTable t = Chain(9, QSize(16, 16));  // a 16 x 16 picture has five levels
  t.offsets[3] += 4;                        // level 3 starts 4 bytes after level 2 ends
  t.offsets[9] = t.offsets[8];              // a copy of level 8
  t.sizes[9] = t.sizes[8];
  t.fileSize += 1000;
  const MipmapList list = BuildMipmapList(t, Captions());
  // Regular: 0, 1, 2. Not 3 (the gap), nor 4 (it starts where 3 was, not where 3 ends), nor
  // 5..9 (past the five levels of the chain).
  EXPECT_EQ(list.regular, 3);
  EXPECT_EQ(list.irregular, 7);
  EXPECT_EQ(list.countText, "10 (C12: 7)");
}

TEST(MipmapList, Blp1LevelsPastTheEndOfTheFileAreLeftOut) {
  MipmapTable t = Chain(4);
  t.blp1 = true;
  t.fileSize -= 1;  // level 3 now ends one byte past the file
  t.offsets[5] = 0xFFFFFFF0u;  // a sum that would wrap in 32 bits
  t.sizes[5] = 0x20;
  const MipmapList blp1 = BuildMipmapList(t, Captions());
  EXPECT_EQ(blp1.levels, (std::vector<int>{0, 1, 2}));
  // BLP2 has no such rule.
  t.blp1 = false;
  EXPECT_EQ(BuildMipmapList(t, Captions()).levels, (std::vector<int>{0, 1, 2, 3, 5}));
  // Level 0 is always listed.
  MipmapTable empty;
  empty.blp1 = true;
  EXPECT_EQ(BuildMipmapList(empty, Captions()).levels, (std::vector<int>{0}));
}

TEST(MipmapList, ChoosingLinesAndSteppingLevels) {
  MipmapTable t = Chain(4);
  t.sizes[2] = 0;  // not listed: line 3 shows level 3
  const MipmapList list = BuildMipmapList(t, Captions());
  ASSERT_EQ(list.levels, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(LevelForChosenLine(list, 0, 0), std::nullopt);  // the header line
  EXPECT_EQ(LevelForChosenLine(list, 1, 0), std::nullopt);  // the level on screen
  EXPECT_EQ(LevelForChosenLine(list, 2, 0), 1);
  EXPECT_EQ(LevelForChosenLine(list, 3, 0), 3);
  EXPECT_EQ(LevelForChosenLine(list, 4, 0), std::nullopt);
  EXPECT_EQ(LineOfLevel(list, 3), 3);
  EXPECT_EQ(LineOfLevel(list, 2), 0);
  EXPECT_EQ(AdjacentListedLevel(list, 1, +1), 3);
  EXPECT_EQ(AdjacentListedLevel(list, 3, -1), 1);
  EXPECT_EQ(AdjacentListedLevel(list, 3, +1), std::nullopt);
  EXPECT_EQ(AdjacentListedLevel(list, 0, -1), std::nullopt);
}

// Files of each format through the image layer's open, as the main window opens them.
TEST(InfoPanel, FromOpenedFiles) {
  struct Case {
    QString file;
    QStringList rows;
    int listLines;  // -1: no list
  };
  const Case cases[] = {
      {ondrel_test::Fixture("blp/blp1_paletted_alpha.blp"), {}, 0},
      {ondrel_test::Fixture("blp/blp2_dxt1.blp"), {}, 0},
      {ondrel_test::Fixture("tga/im_type9_paletted.tga"), {}, -1},
      {ondrel_test::Fixture("png/rgba8_interlaced.png"), {}, -1},
      {ondrel_test::Fixture("jpeg/photo_progressive.jpg"), {}, -1},
      {ondrel_test::Fixture("dds/im_dxt5_mipmaps.dds"), {}, -1},
      {ondrel_test::Fixture("bmp/photo24.bmp"), {}, -1},
  };
  QStringList seen;
  for (const Case& c : cases) {
    TBitmap bitmap;
    const OpenResult opened = OpenImage(c.file, bitmap, {.showInfo = true, .fillMipmapList = true}, {});
    ASSERT_FALSE(opened.failed) << c.file.toStdString();
    const auto panel = BuildInfoPanel(opened.facts, QSize(bitmap.width(), bitmap.height()), Captions());
    ASSERT_TRUE(panel.has_value()) << c.file.toStdString();
    seen << Rows(*panel).join(" ");
  }
  EXPECT_EQ(seen[0].section(' ', 0, 3), "-=C5 C26=C33 -=C9 C27=8");
  EXPECT_EQ(seen[1].section(' ', 0, 2), "-=C16 C26=C20 -=C17");
  EXPECT_EQ(seen[2].section(' ', 0, 2), "-=C35 C26=C34 -=C8");
  EXPECT_EQ(seen[3].section(' ', 0, 3), "-=C36 C30=C40 -=C21 C27=8");
  EXPECT_TRUE(seen[4].startsWith("-=C37 C26=")) << seen[4].toStdString();
  EXPECT_TRUE(seen[4].contains("-=C25")) << seen[4].toStdString();
  EXPECT_EQ(seen[5].section(' ', 0, 3), "-=C38 C26=C20 -=C19 C27=8");
  EXPECT_EQ(seen[6], "-= = -= = = = -=");
}

TEST(InfoPanel, Blp1JpegFromAFile) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/jpeg.blp";
  ondrel_test::WriteFile(path, ondrel_test::MakeBlp1Jpeg({.width = 64, .height = 32, .levels = 7}));
  TBitmap bitmap;
  const OpenResult opened = OpenImage(path, bitmap, {.showInfo = true, .fillMipmapList = true}, {});
  const auto panel = BuildInfoPanel(opened.facts, QSize(64, 32), Captions());
  ASSERT_TRUE(panel && panel->mipmaps);
  EXPECT_EQ(Rows(*panel).mid(0, 4), (QStringList{"-=C5", "C26=C7", "-=C6", "C27=8 C11"}));
  EXPECT_EQ(panel->qualityCaption, "C22");
  EXPECT_TRUE(panel->quality.endsWith(" %") || panel->quality == "C39") << panel->quality.toStdString();
  EXPECT_EQ(panel->mipmaps->countText, "7 (C12: 0)");
}

// Other writers' files: whatever they hold, the list starts with level 0 and its counts add up.
TEST(InfoPanel, PeerFilesGiveConsistentLists) {
  int opened = 0;
  QDirIterator it(ONDREL_PEER_BLP, {"*.blp"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString file = it.next();
    TBitmap bitmap;
    const OpenResult r = OpenImage(file, bitmap, {.showInfo = true, .fillMipmapList = true}, {});
    if (r.failed) continue;
    const auto panel = BuildInfoPanel(r.facts, QSize(bitmap.width(), bitmap.height()), Captions());
    ASSERT_TRUE(panel && panel->mipmaps) << file.toStdString();
    const MipmapList& list = *panel->mipmaps;
    EXPECT_EQ(list.levels.at(0), 0) << file.toStdString();
    EXPECT_EQ(list.regular + list.irregular, list.lines.size() - 1) << file.toStdString();
    EXPECT_GE(list.regular, 1) << file.toStdString();
    ++opened;
  }
  if (opened == 0) GTEST_SKIP() << "no peer files at " ONDREL_PEER_BLP;
}

// Our own encoder's BLP2 with a full chain lists every level as regular.
TEST(InfoPanel, OurBlp2ChainIsRegular) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/chain.blp";
  FileFormatOptions options = DesignedFileFormatOptions();
  options.blp2.Blp2MipmapsMinus1 = 6;  // 64 x 32 down to 1 x 1
  SaveBlpImage(path, ondrel_test::PhotoBitmap(64, 32, true), 1, options, true);
  TBitmap bitmap;
  const OpenResult opened = OpenImage(path, bitmap, {.showInfo = true, .fillMipmapList = true}, {});
  const auto panel = BuildInfoPanel(opened.facts, QSize(64, 32), Captions());
  ASSERT_TRUE(panel && panel->mipmaps);
  EXPECT_EQ(panel->mipmaps->countText, "7 (C12: 0)");
}

}  // namespace
}  // namespace ondrel
