// The BLP header probe: which record fields each version writes and which it leaves alone.
#include <gtest/gtest.h>

#include <cstring>

#include "blp.hpp"
#include "blp_files.hpp"

namespace {

using namespace ondrel_test;

TBLPHeader Filled(std::uint8_t byte) {
  TBLPHeader h;
  std::memset(&h, byte, sizeof h);
  return h;
}

ByteVector RawBytes(const TBLPHeader& h) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&h);
  return ByteVector(p, p + sizeof h);
}

TEST(BlpHeader, Blp1FieldsAndUntouchedOnes) {
  Blp1File f{.compression = 1, .alphaBits = 8, .width = 64, .height = 32, .pictureType = 4,
             .hasMipmaps = 257, .content = TestPalette(),
             .levels = {Sequence(2048 * 2, 1), Sequence(512 * 2, 2)}};
  const ByteVector file = Make(f);
  TBLPHeader h = Filled(0xCC);
  ASSERT_TRUE(ormel::blp::GetHeader(file, h));
  EXPECT_EQ(0, std::memcmp(h.Signature, "BLP1", 4));
  EXPECT_EQ(h.Compression, 1u);
  EXPECT_EQ(h.Width, 64u);
  EXPECT_EQ(h.Height, 32u);
  EXPECT_EQ(h.AlphaBits, 8u);
  EXPECT_EQ(h.PictureType, 4u);
  EXPECT_EQ(h.HasMipmaps, 1);  // the low byte of 257
  EXPECT_EQ(h.MipmapOffsets[0], 1180u);
  EXPECT_EQ(h.MipmapOffsets[1], 1180u + 4096);
  EXPECT_EQ(h.MipmapSizes[1], 1024u);
  EXPECT_EQ(h.MipmapSizes[2], 0u);
  EXPECT_EQ(h.Encoding, 0xCC);
  EXPECT_EQ(h.AlphaDepth, 0xCC);
  EXPECT_EQ(h.AlphaEncoding, 0xCC);
  const ByteVector raw = RawBytes(h);
  for (std::size_t i = 156; i < 168; ++i) EXPECT_EQ(raw[i], 0xCC) << "offset " << i;
}

TEST(BlpHeader, Blp2FieldsAndUntouchedOnes) {
  Blp2File f{.type = 1, .encoding = 2, .alphaDepth = 8, .alphaEncoding = 7, .hasMipmaps = 17,
             .width = 8, .height = 4, .levels = {ByteVector(32, 0), ByteVector(16, 0)}};
  const ByteVector file = Make(f);
  TBLPHeader h = Filled(0xCC);
  ASSERT_TRUE(ormel::blp::GetHeader(file, h));
  EXPECT_EQ(0, std::memcmp(h.Signature, "BLP2", 4));
  EXPECT_EQ(h.Compression, 1u);
  EXPECT_EQ(h.Width, 8u);
  EXPECT_EQ(h.Height, 4u);
  EXPECT_EQ(h.Encoding, 2);
  EXPECT_EQ(h.AlphaDepth, 8);
  EXPECT_EQ(h.AlphaEncoding, 7);
  EXPECT_EQ(h.HasMipmaps, 17);
  EXPECT_EQ(h.MipmapOffsets[0], 148u);
  EXPECT_EQ(h.MipmapOffsets[1], 180u);
  EXPECT_EQ(h.MipmapSizes[0], 32u);
  EXPECT_EQ(h.MipmapSizes[1], 16u);
  EXPECT_EQ(h.AlphaBits, 0xCCCCCCCCu);
  EXPECT_EQ(h.PictureType, 0xCCCCCCCCu);
  const ByteVector raw = RawBytes(h);
  for (std::size_t i = 156; i < 168; ++i) EXPECT_EQ(raw[i], 0xCC) << "offset " << i;
}

TEST(BlpHeader, BadSignatureOrShortFileTouchesNothing) {
  ByteVector file = Make(Blp2File{.width = 4, .height = 4, .palette = TestPalette(),
                                  .levels = {ByteVector(16, 0)}});
  const TBLPHeader before = Filled(0xA5);

  ByteVector wrong = file;
  wrong[3] = '3';
  TBLPHeader h = before;
  EXPECT_FALSE(ormel::blp::GetHeader(wrong, h));
  EXPECT_EQ(RawBytes(h), RawBytes(before));
  EXPECT_FALSE(ormel::blp::GetHeader(ormel::ConstBytes(file.data(), 3), h));
  EXPECT_EQ(RawBytes(h), RawBytes(before));

  // Shorter than the header: refused as invalid data, still without touching the record.
  EXPECT_THROW(ormel::blp::GetHeader(ormel::ConstBytes(file.data(), 147), h),
               ormel::InvalidData);
  EXPECT_EQ(RawBytes(h), RawBytes(before));
  ByteVector blp1 = Make(Blp1File{.width = 2, .height = 2});
  EXPECT_THROW(ormel::blp::GetHeader(ormel::ConstBytes(blp1.data(), 155), h), ormel::InvalidData);
  EXPECT_EQ(RawBytes(h), RawBytes(before));
}

}  // namespace
