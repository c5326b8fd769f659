// BLP_SaveToMemory through the shared library, as the program calls it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ormel_blp.h"
#include "synthetic.hpp"

namespace {

TBLPHeader PalettedRecord() {
  TBLPHeader r{};
  std::memcpy(r.Signature, "BLP2", 4);
  r.Compression = 1;
  r.Encoding = 1;
  r.Width = 20;
  r.Height = 10;
  r.HasMipmaps = 1;
  r.MipmapsMinus1 = 15;
  r.ColorsOrQuality = 8;
  r.FlagA = 1;
  return r;
}

TEST(BlpSaveExport, FileAndRecordTablesAgreeAndFreeMemReleasesTheBlock) {
  const auto px = ondrel_test::PhotoLike(20, 10, 4);
  TBLPHeader r = PalettedRecord();
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  BLP_SaveToMemory(px.data(), &r, &data, &size);
  ASSERT_NE(data, nullptr);
  // 20x10, 10x5, 5x2, 2x1, 1x1 after a 148-byte header and an 8-entry palette.
  EXPECT_EQ(size, 148u + 32 + 200 + 50 + 10 + 2 + 1);
  EXPECT_EQ(r.MipmapOffsets[0], 180u);
  EXPECT_EQ(r.MipmapOffsets[4] + r.MipmapSizes[4], size);
  std::uint32_t stored[32];
  std::memcpy(stored, data + 20, sizeof stored);
  EXPECT_EQ(std::memcmp(stored, r.MipmapOffsets, 64), 0);
  EXPECT_EQ(std::memcmp(stored + 16, r.MipmapSizes, 64), 0);
  std::uint8_t* const kept = data;
  BLP_FreeMem(&data);
  EXPECT_EQ(data, kept);
}

TEST(BlpSaveExport, RecordSelectingNoEncoderLeavesTheOutVariables) {
  const auto px = ondrel_test::PhotoLike(20, 10, 4);
  TBLPHeader r = PalettedRecord();
  r.Encoding = 3;
  const TBLPHeader before = r;
  std::uint8_t marker = 0;
  std::uint8_t* data = &marker;
  std::uint32_t size = 12345;
  BLP_SaveToMemory(px.data(), &r, &data, &size);
  EXPECT_EQ(data, &marker);
  EXPECT_EQ(size, 12345u);
  EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
}

}  // namespace
