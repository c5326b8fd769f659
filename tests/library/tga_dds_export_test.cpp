// The TGA and DDS exports, called through the shared library as the program calls them.
#include "ormel_blp.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "ormel_errors.hpp"
#include "synthetic.hpp"

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(TgaDdsExports, PalettedTgaSaveLowersTheMapLengthAndLoadsBack) {
  // Two colours, a palette of 256 asked for, compress palette (4) and across rows (2).
  std::vector<std::uint8_t> px;
  for (int i = 0; i < 6 * 4; ++i) px.insert(px.end(), {std::uint8_t(i < 9 ? 200 : 20), 50, 90, 255});
  std::array<std::uint8_t, 18> header{};
  header[0] = 4 | 2;
  header[1] = 1;
  header[2] = 9;
  Put16(&header[5], 256);
  header[7] = 24;
  Put16(&header[12], 6);
  Put16(&header[14], 4);
  header[16] = 8;
  header[17] = 8;
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  TGA_SaveToMemory(px.data(), header.data(), &data, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(header[5] | header[6] << 8, 2);
  // Map of 2 entries, then a run of 9 and a run of 15 indices across the rows.
  ASSERT_EQ(size, 2u * 3 + 4);

  header[0] = 0;
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), data, data + size);
  BLP_FreeMem(&data);
  std::vector<std::uint8_t> unbounded(6 * 4 * 3), bounded(6 * 4 * 3);
  TGA_LoadFromMemory(file.data(), unbounded.data());
  TGA_LoadFromMemoryEx(file.data(), file.size(), bounded.data(), bounded.size());
  EXPECT_EQ(unbounded, bounded);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(unbounded[i * 3], i < 9 ? 200 : 20) << i;
}

TEST(TgaDdsExports, DdsSaveAndBothLoads) {
  const auto px = ondrel_test::PhotoLike(16, 8, 4, true);
  std::array<std::uint8_t, 128> head{};
  Put32(&head[0], 0x20534444);
  Put32(&head[12], 8);
  Put32(&head[16], 16);
  Put32(&head[28], 3);
  Put32(&head[80], 0x41);
  Put32(&head[88], 32);
  Put32(&head[112], 1);
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  DDS_SaveToMemory(px.data(), head.data(), &data, &size);
  ASSERT_NE(data, nullptr);
  // 16 x 8, 8 x 4, 4 x 2, 2 x 1 levels of 4 bytes.
  ASSERT_EQ(size, 128u + 4 * (128 + 32 + 8 + 2));
  EXPECT_EQ(data[28], 4);
  EXPECT_EQ(data[112], 0);

  std::vector<std::uint8_t> unbounded(16 * 8 * 4), bounded(16 * 8 * 4);
  std::uint16_t w = 0, h = 0;
  DDS_LoadFromMemory(data, unbounded.data(), 0, &w, &h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 8);
  DDS_LoadFromMemoryEx(data, size, bounded.data(), bounded.size(), &w, &h);
  EXPECT_EQ(unbounded, px);
  EXPECT_EQ(bounded, px);

  // A length that cuts the top level is refused by the bounded twin.
  EXPECT_THROW(DDS_LoadFromMemoryEx(data, 128 + 100, bounded.data(), bounded.size(), &w, &h),
               ormel::InvalidData);
  BLP_FreeMem(&data);
}

TEST(TgaDdsExports, Dxt3SaveIsRefusedWithoutABlock) {
  std::vector<std::uint8_t> px(8 * 8 * 4, 0x40);
  std::array<std::uint8_t, 128> head{};
  Put32(&head[0], 0x20534444);
  Put32(&head[12], 8);
  Put32(&head[16], 8);
  Put32(&head[80], 4);
  Put32(&head[84], 0x33545844);
  std::uint8_t* data = nullptr;
  std::uint32_t size = 1234;
  DDS_SaveToMemory(px.data(), head.data(), &data, &size);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 1234u);
}

}  // namespace
