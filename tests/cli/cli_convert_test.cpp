// Conversions through the real executable give the same bytes as the image layer's own load,
// alpha treatment and save with the same options: every pair of formats with the designed
// options, and a table of flags against the option bytes they stand for.
#include <gtest/gtest.h>

#include <QDir>

#include <functional>

#include "ImgUtils.hpp"
#include "UnitBLPImageUtils.hpp"
#include "cli_run.hpp"
#include "test_files.hpp"

using namespace ondrel;
using ondrel_test::RunCli;

namespace {

struct Target {
  const char* format;  // --format
  const char* extension;
};
constexpr Target kTargets[] = {{"bmp", ".bmp"}, {"tga", ".tga"}, {"blp1", ".blp"}, {"blp2", ".blp"},
                               {"jpg", ".jpg"}, {"png", ".png"}, {"dds", ".dds"}};

// The image layer's save for a --format name.
void SaveAs(const QString& format, const QString& path, const TBitmap& picture,
            const FileFormatOptions& o, bool hasAlpha) {
  if (format == "bmp") SaveBmpImage(path, picture);
  if (format == "tga") SaveTgaImage(path, picture, o);
  if (format == "blp1") SaveBlpImage(path, picture, 0, o, hasAlpha);
  if (format == "blp2") SaveBlpImage(path, picture, 1, o, hasAlpha);
  if (format == "jpg") SaveJpegImage(path, picture, o);
  if (format == "png") SavePngImage(path, picture, o);
  if (format == "dds") SaveDdsImage(path, picture, o);
}

class Convert : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.path() + '/' + name; }

  // What the image layer writes for `source` in `format`, with the options and treatment.
  QByteArray Reference(const QString& source, const QString& format, const FileFormatOptions& o,
                       std::uint8_t alpha = 0) {
    TBitmap picture;
    const OpenResult opened = OpenImage(source, picture, {}, nullptr);
    EXPECT_FALSE(opened.failed) << source.toStdString();
    const bool hasAlpha = ApplyAlphaTreatment(picture, alpha, picture.pixelFormat() == PixelFormat::Bit32);
    const QString ref = path("reference.out");
    QFile::remove(ref);
    SaveAs(format, ref, picture, o, hasAlpha);
    return ondrel_test::ReadFile(ref);
  }

  // One source file of each format, from a 13 x 9 picture with a soft alpha disc.
  QStringList Sources() {
    const TBitmap photo = ondrel_test::PhotoBitmap(13, 9, true, 7);
    const FileFormatOptions o = DesignedFileFormatOptions();
    QStringList sources;
    for (const Target& t : kTargets) {
      const QString name = path(QString("source_%1%2").arg(t.format, t.extension));
      SaveAs(t.format, name, photo, o, true);
      sources << name;
    }
    return sources;
  }
};

TEST_F(Convert, EveryPairOfFormatsMatchesTheImageLayer) {
  const FileFormatOptions designed = DesignedFileFormatOptions();
  for (const QString& source : Sources()) {
    for (const Target& t : kTargets) {
      SCOPED_TRACE(source.toStdString() + " -> " + t.format);
      const QString out = path(QString("out/converted_%1%2").arg(t.format, t.extension));
      const auto r = RunCli({source, "-o", out, "--format", t.format, "-q"});
      ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
      EXPECT_EQ(ondrel_test::ReadFile(out), Reference(source, t.format, designed));
    }
  }
}

struct FlagCase {
  const char* name;
  const char* format;
  QStringList flags;
  std::function<void(FileFormatOptions&)> expected;
  std::uint8_t alpha = 0;
};

TEST_F(Convert, FlagsStandForTheirOptionBytes) {
  const FlagCase cases[] = {
      {"blp1 paletted", "blp1", {"--encoding", "paletted", "--colors", "16", "--no-error-diffusion", "--no-compress-palette", "--mipmaps", "all"},
       [](FileFormatOptions& o) { o.blp1.Blp1Paletted = 1; o.blp1.Blp1ColorsMinus1 = 15; o.blp1.Blp1ErrorDiffusion = 0; o.blp1.Blp1CompressPalette = 0; o.blp1.Blp1MipmapsMinus1 = 15; }},
      {"blp1 jpeg", "blp1", {"--quality", "40", "--no-merge-headers", "--no-progressive", "--mipmaps", "3"},
       [](FileFormatOptions& o) { o.blp1.Blp1Quality = 40; o.blp1.Blp1MergeHeaders = 0; o.blp1.Blp1Progressive = 0; o.blp1.Blp1MipmapsMinus1 = 2; }},
      {"blp2 paletted", "blp2", {"--encoding", "paletted", "--colors", "64", "--no-error-diffusion"},
       [](FileFormatOptions& o) { o.blp2.Blp2Encoding = 1; o.blp2.Blp2ColorsMinus1 = 63; o.blp2.Blp2ErrorDiffusion = 0; }},
      {"blp2 dxt", "blp2", {"--no-error-diffusion", "--mipmaps", "1"},
       [](FileFormatOptions& o) { o.blp2.Blp2DxtErrorDiffusion = 0; o.blp2.Blp2MipmapsMinus1 = 0; }},
      {"dds uncompressed", "dds", {"--encoding", "uncompressed", "--mipmaps", "4"},
       [](FileFormatOptions& o) { o.dds.DdsCompressed = 0; o.dds.DdsMipmapsMinus1 = 3; }},
      {"dds dxt", "dds", {"--no-error-diffusion"}, [](FileFormatOptions& o) { o.dds.DdsErrorDiffusion = 0; }},
      {"tga rle", "tga", {"--rle", "--override", "--top-left"},
       [](FileFormatOptions& o) { o.tga.TgaRle = 1; o.tga.TgaOverride = 1; o.tga.TgaTopLeft = 1; }},
      {"tga paletted", "tga", {"--encoding", "paletted", "--colors", "8", "--no-compress-palette"},
       [](FileFormatOptions& o) { o.tga.TgaPaletted = 1; o.tga.TgaColorsMinus1 = 7; o.tga.TgaCompressPalette = 0; }},
      {"png", "png", {"--png-level", "1", "--png-filters", "sub,paeth"},
       [](FileFormatOptions& o) { o.png.PngCompression = 1; o.png.PngFilterSub = 1; o.png.PngFilterPaeth = 1; }},
      {"jpg", "jpg", {"--quality", "30", "--progressive"},
       [](FileFormatOptions& o) { o.jpg.JpgQuality = 30; o.jpg.JpgProgressive = 1; }},
      {"alpha opaque", "blp2", {"--alpha", "opaque"}, [](FileFormatOptions&) {}, 1},
      {"alpha remove", "blp1", {"--alpha", "remove", "--encoding", "paletted"}, [](FileFormatOptions& o) { o.blp1.Blp1Paletted = 1; }, 2},
      {"alpha auto", "blp2", {"--alpha", "auto"}, [](FileFormatOptions&) {}, 3},
      {"alpha border", "tga", {"--alpha", "border"}, [](FileFormatOptions&) {}, 4},
  };
  const TBitmap photo = ondrel_test::PhotoBitmap(21, 16, true, 3);
  const QString source = path("photo.png");
  SavePngImage(source, photo, DesignedFileFormatOptions());
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString extension = QString(c.format).startsWith("blp") ? "blp" : c.format;
    const QString out = path(QString("flags/%1.%2").arg(c.name, extension).replace(' ', '_'));
    const auto r = RunCli(QStringList{source, "-o", out, "--format", c.format, "-q"} + c.flags);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    FileFormatOptions expected = DesignedFileFormatOptions();
    c.expected(expected);
    EXPECT_EQ(ondrel_test::ReadFile(out), Reference(source, c.format, expected, c.alpha));
  }
}

TEST_F(Convert, MipFlagTakesThatLevelOfABlp) {
  const TBitmap photo = ondrel_test::PhotoBitmap(64, 32, false, 5);
  const QString source = path("chain.blp");
  FileFormatOptions o = DesignedFileFormatOptions();
  o.blp2.Blp2MipmapsMinus1 = 15;
  SaveBlpImage(source, photo, 1, o, false);
  const auto r = RunCli({source, "--mip", "2", "-o", path("level2.png"), "-q"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  TBitmap level, converted;
  LoadBlpImage(source, level, 2);
  LoadPngImage(path("level2.png"), converted);
  EXPECT_EQ(converted.width(), 16);
  EXPECT_EQ(converted.height(), 8);
  EXPECT_TRUE(ondrel_test::SamePixels(level, converted));
}

TEST_F(Convert, OutputNameDecidesTheFormatAndBlpMeansBlp2) {
  const QString source = path("photo.tga");
  SaveTgaImage(source, ondrel_test::PhotoBitmap(8, 8, false), DesignedFileFormatOptions());
  ASSERT_EQ(RunCli({source, "-o", path("plain.blp"), "-q"}).exitCode, 0);
  EXPECT_TRUE(ondrel_test::ReadFile(path("plain.blp")).startsWith("BLP2"));
  ASSERT_EQ(RunCli({source, "-o", path("one.blp"), "--format", "blp1", "-q"}).exitCode, 0);
  EXPECT_TRUE(ondrel_test::ReadFile(path("one.blp")).startsWith("BLP1"));
  ASSERT_EQ(RunCli({source, "-o", path("upper.JPEG"), "-q"}).exitCode, 0);
  EXPECT_TRUE(ondrel_test::ReadFile(path("upper.JPEG")).startsWith("\xFF\xD8"));
  // A name without an extension is a folder to write into.
  ASSERT_EQ(RunCli({source, "-o", path("folder"), "--format", "png", "-q"}).exitCode, 0);
  EXPECT_TRUE(QFileInfo(path("folder/photo.png")).isFile());
}

}  // namespace
