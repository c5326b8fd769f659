// The flat exports, called through the shared library as the program calls them.
#include "ormel_blp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "ormel_errors.hpp"
#include "synthetic.hpp"

namespace {

TEST(Exports, LibraryVersionIs_0_4_0_209) {
  std::uint16_t v[4] = {9, 9, 9, 9};
  GetLibraryVersion(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 4);
  EXPECT_EQ(v[2], 0);
  EXPECT_EQ(v[3], 209);
}

TEST(Exports, JpegRoundTripThroughTheExportsAndFreeMemLeavesTheVariable) {
  const auto src = ondrel_test::PhotoLike(100, 60, 3);
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  JPG_SaveToMemory(src.data(), 100, 60, 90, 0, &data, &size);
  ASSERT_NE(data, nullptr);
  ASSERT_GT(size, 100u);
  EXPECT_EQ(data[0], 0xFF);
  EXPECT_EQ(data[1], 0xD8);

  std::vector<std::uint8_t> px(100 * 60 * 3);
  std::uint16_t w = 0, h = 0;
  JPG_LoadFromMemory(data, size, px.data(), &w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 60);
  std::vector<std::uint8_t> px2(px.size());
  JPG_LoadFromMemoryEx(data, size, px2.data(), px2.size(), &w, &h);
  EXPECT_EQ(px, px2);
  EXPECT_LT(ondrel_test::Rmse(src, px), 10.0);  // measured 7.8: small, noisy, chroma halved

  std::uint8_t* const before = data;
  BLP_FreeMem(&data);
  EXPECT_EQ(data, before);
}

// An exception thrown inside the shared library is caught here, in another object, by its
// own type and as a std::runtime_error.
TEST(Exports, LibraryExceptionsAreCaughtByTypeInTheCaller) {
  const std::uint8_t garbage[] = {0xFF, 0xD8, 0xFF, 0x00, 0x12, 0x34};
  std::vector<std::uint8_t> px(16);
  std::uint16_t w = 7, h = 7;
  try {
    JPG_LoadFromMemoryEx(garbage, sizeof garbage, px.data(), px.size(), &w, &h);
    FAIL() << "no exception";
  } catch (const ormel::JpegError& e) {
    EXPECT_NE(std::strstr(e.what(), "JPEG"), nullptr);
  }
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 7);
  EXPECT_THROW(JPG_LoadFromMemoryEx(garbage, sizeof garbage, px.data(), px.size(), &w, &h),
               std::runtime_error);
  EXPECT_THROW(JPG_LoadFromMemoryEx(garbage, sizeof garbage, px.data(), px.size(), &w, &h),
               ormel::Error);
}

TEST(Exports, JpegSaveOfAnEmptyImageFailsWithoutABlock) {
  std::uint8_t* data = nullptr;
  std::uint32_t size = 123;
  std::uint8_t px[3] = {};
  EXPECT_THROW(JPG_SaveToMemory(px, 0, 1, 90, 0, &data, &size), std::runtime_error);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 123u);
}

TEST(Exports, BlpSaveThatSelectsNoEncoderLeavesTheOutputs) {
  TBLPHeader h{};
  std::memcpy(h.Signature, "BLP2", 4);
  h.Compression = 1;
  h.Encoding = 3;
  h.Width = h.Height = 4;
  std::vector<std::uint8_t> px(4 * 4 * 4);
  std::uint8_t sentinel = 0;
  std::uint8_t* data = &sentinel;
  std::uint32_t size = 77;
  BLP_SaveToMemory(px.data(), &h, &data, &size);
  EXPECT_EQ(data, &sentinel);
  EXPECT_EQ(size, 77u);
}

TEST(Exports, BadSignatureTouchesNothing) {
  std::uint8_t file[200] = {'X', 'L', 'P', '1'};
  TBLPHeader h;
  std::memset(&h, 0x5A, sizeof h);
  TBLPHeader* ref = &h;
  BLP_GetHeader(file, &ref);
  BLP_GetHeaderEx(file, sizeof file, &h);
  for (std::size_t i = 0; i < sizeof h; ++i)
    ASSERT_EQ(reinterpret_cast<std::uint8_t*>(&h)[i], 0x5A);
  std::uint8_t px[16];
  std::memset(px, 0x33, sizeof px);
  std::uint16_t w = 5, hh = 6;
  BLP_LoadFromMemoryEx(file, sizeof file, 0, px, sizeof px, &w, &hh);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(hh, 6);
  EXPECT_EQ(px[0], 0x33);
}

}  // namespace
