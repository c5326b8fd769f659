// JPEG through the library with the quality estimate and progressive test, and BMP through
// Qt's reader with the header repair and our writer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include "UnitBLPImageUtils.hpp"
#include "file_heads.hpp"
#include "jpeg_analysis.hpp"
#include "om_bmp.hpp"
#include "om_jpg.hpp"
#include "ormel_blp.h"
#include "test_files.hpp"

using namespace ondrel;

namespace {

QByteArray EncodeJpeg(int quality, bool progressive, int w = 24, int h = 16) {
  const TBitmap photo = ondrel_test::PhotoBitmap(w, h, false);
  const auto px = photo.packed();
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  JPG_SaveToMemory(px.data(), std::uint16_t(w), std::uint16_t(h), std::uint16_t(quality),
                   progressive ? 1 : 0, &data, &size);
  QByteArray out(reinterpret_cast<const char*>(data), qsizetype(size));
  BLP_FreeMem(&data);
  return out;
}

std::uint8_t Estimate(QByteArray file, const JpegQualityTable& table) {
  QBuffer b(&file);
  b.open(QIODevice::ReadOnly);
  b.seek(2);
  return EstimateJpegQuality(b, table);
}

TEST(JpegQualityTable, GeneratedBesideTheProgram) {
  EXPECT_TRUE(ProgramJpegQualityTable().present()) << "jpeg.dat missing from " << ProgramFolder().toStdString();
  EXPECT_EQ(ProgramFolder(), QStringLiteral(ONDREL_PROGRAM_DIR "/"));
}

TEST(EstimateJpegQuality, EveryQualityOfOurEncoder) {
  const auto& table = ProgramJpegQualityTable();
  ASSERT_TRUE(table.present());
  for (int q = 1; q <= 100; ++q) EXPECT_EQ(Estimate(EncodeJpeg(q, q % 2 == 0), table), q) << q;
}

TEST(EstimateJpegQuality, ForeignTableAndNoTable) {
  QByteArray file = EncodeJpeg(75, false);
  const int dqt = int(file.indexOf("\xFF\xDB"));
  file[dqt + 5 + 10] = char(file[dqt + 5 + 10] + 1);  // a table that matches no record
  EXPECT_EQ(Estimate(file, ProgramJpegQualityTable()), 255);
  EXPECT_EQ(Estimate(file, JpegQualityTable{}), 0);
  EXPECT_EQ(Estimate(QByteArray("\xFF\xD8\xFF\xD9", 4), ProgramJpegQualityTable()), 255);
  // A table of zeros is finer than any record: the search must stay inside the 100 records.
  QByteArray zeros = EncodeJpeg(50, false);
  for (int i = 0; i < 64; ++i) zeros[dqt + 5 + i] = 0;
  EXPECT_EQ(Estimate(zeros, ProgramJpegQualityTable()), 255);
  EXPECT_FALSE(LoadJpegQualityTable("/nonexistent/jpeg.dat").present());
}

TEST(TJpegBitmap, LoadReportsQualityAndProgressive) {
  for (const bool progressive : {false, true}) {
    QByteArray file = EncodeJpeg(63, progressive, 30, 20);
    QBuffer b(&file);
    b.open(QIODevice::ReadOnly);
    TJpegBitmap jpeg;
    jpeg.LoadFromStream(b);
    EXPECT_EQ(jpeg.Quality, 63);
    EXPECT_EQ(jpeg.Progressive, progressive);
    EXPECT_EQ(jpeg.width(), 30);
    EXPECT_EQ(jpeg.height(), 20);
    EXPECT_EQ(jpeg.pixelFormat(), PixelFormat::Bit24);
    const JpegQualityTable none;
    TJpegBitmap withoutTable(none);
    withoutTable.LoadFromStream(b);
    EXPECT_EQ(withoutTable.Quality, 0);
  }
}

TEST(TJpegBitmap, NoFrameHeaderLeavesBitmapUnchanged) {
  QByteArray file("\xFF\xD8\xFF\xFE\x00\x04hi\xFF\xD9", 10);
  QBuffer b(&file);
  b.open(QIODevice::ReadOnly);
  TJpegBitmap jpeg;
  jpeg.assign(ondrel_test::PhotoBitmap(3, 3, false));
  const TBitmap before(jpeg);
  jpeg.LoadFromStream(b);
  EXPECT_TRUE(ondrel_test::SamePixels(jpeg, before));
}

TEST(TJpegBitmap, SaveDropsAlphaAndKeepsQuality) {
  QByteArray file;
  QBuffer b(&file);
  b.open(QIODevice::WriteOnly);
  TJpegBitmap jpeg;
  jpeg.assign(ondrel_test::PhotoBitmap(16, 8, true));
  jpeg.Quality = 42;
  jpeg.Progressive = true;
  jpeg.SaveToStream(b);
  EXPECT_EQ(Estimate(file, ProgramJpegQualityTable()), 42);
  EXPECT_TRUE(file.contains("\xFF\xC2"));
}

TEST(Bmp, RoundTripKeepsAlpha) {
  for (const bool alpha : {false, true}) {
    const TBitmap photo = ondrel_test::PhotoBitmap(13, 7, alpha);  // rows need padding
    QByteArray file = EncodeBmp(photo);
    QBuffer b(&file);
    b.open(QIODevice::ReadOnly);
    TBitmapX bmp;
    bmp.LoadFromStream(b);
    EXPECT_TRUE(ondrel_test::SamePixels(bmp, photo)) << alpha;
    // Qt's own reader sees the same picture.
    const QImage qt = QImage::fromData(file, "BMP");
    EXPECT_EQ(qt.hasAlphaChannel(), alpha);
    EXPECT_EQ(qt.pixel(4, 3), photo.image().pixel(4, 3));
  }
}

TEST(Bmp, HeaderRepairLoadsWrongImageSize) {
  const TBitmap photo = ondrel_test::PhotoBitmap(9, 5, false);
  for (const std::uint32_t wrong : {0u, 1u, 0xFFFFFFFFu, 12345678u}) {
    QByteArray file = EncodeBmp(photo);
    PutU32(AsWritableBytes(file), 34, wrong);  // the image-size field
    QBuffer b(&file);
    b.open(QIODevice::ReadOnly);
    TBitmapX bmp;
    bmp.LoadFromStream(b);
    EXPECT_TRUE(ondrel_test::SamePixels(bmp, photo)) << wrong;
  }
}

TEST(Bmp, TopDownFilesLoadUpright) {
  const TBitmap photo = ondrel_test::PhotoBitmap(8, 6, false);
  QByteArray file = EncodeBmp(photo);
  // Negative height: rows stored top first.
  const std::int32_t h = -6;
  PutU32(AsWritableBytes(file), 22, std::uint32_t(h));
  QByteArray rows = file.mid(54);
  QByteArray flipped;
  for (int y = 5; y >= 0; --y) flipped += rows.mid(y * 24, 24);
  file = file.left(54) + flipped;
  QBuffer b(&file);
  b.open(QIODevice::ReadOnly);
  TBitmapX bmp;
  bmp.LoadFromStream(b);
  EXPECT_TRUE(ondrel_test::SamePixels(bmp, photo));
}

TEST(Bmp, QtWrittenFilesLoad) {
  const TBitmap photo = ondrel_test::PhotoBitmap(10, 4, false);
  QByteArray file;
  QBuffer w(&file);
  w.open(QIODevice::WriteOnly);
  ASSERT_TRUE(photo.image().save(&w, "BMP"));
  QBuffer b(&file);
  b.open(QIODevice::ReadOnly);
  TBitmapX bmp;
  bmp.LoadFromStream(b);
  EXPECT_TRUE(ondrel_test::SamePixels(bmp, photo));
}

}  // namespace
