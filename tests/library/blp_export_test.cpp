// The BLP loads through the shared library, as the program calls them: the unbounded exports
// without a length and the Ex twins, and an exception crossing the boundary by type.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "ormel_blp.h"
#include "ormel_errors.hpp"

namespace {

void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
}

// A 2 x 2 paletted BLP2 file with an 8-bit alpha plane and a 1 x 1 level 1.
std::vector<std::uint8_t> TinyBlp2() {
  std::vector<std::uint8_t> f(148 + 1024 + 8 + 2, 0);
  std::memcpy(f.data(), "BLP2", 4);
  Put32(f, 4, 1);
  f[8] = 1;    // paletted
  f[9] = 8;    // alpha depth
  f[10] = 8;
  f[11] = 1;
  Put32(f, 12, 2);
  Put32(f, 16, 2);
  Put32(f, 20, 1172);
  Put32(f, 24, 1180);
  Put32(f, 84, 8);
  Put32(f, 88, 2);
  for (int i = 0; i < 4; ++i) {  // entry i: blue 10 i, green 20 i, red 30 i
    f[148 + 4 * i] = static_cast<std::uint8_t>(10 * i);
    f[149 + 4 * i] = static_cast<std::uint8_t>(20 * i);
    f[150 + 4 * i] = static_cast<std::uint8_t>(30 * i);
  }
  const std::uint8_t level0[8] = {0, 1, 2, 3, 255, 128, 64, 0};
  std::memcpy(&f[1172], level0, 8);
  f[1180] = 2;
  f[1181] = 77;
  return f;
}

const std::vector<std::uint8_t> kPixels = {0, 0, 0, 255, 10, 20, 30, 128,
                                           20, 40, 60, 64, 30, 60, 90, 0};

TEST(BlpExports, UnboundedAndLengthTakingLoadsAgree) {
  const auto file = TinyBlp2();
  TBLPHeader h{};
  TBLPHeader* ref = &h;
  BLP_GetHeader(file.data(), &ref);
  EXPECT_EQ(h.Width, 2u);
  EXPECT_EQ(h.AlphaDepth, 8);
  TBLPHeader hx{};
  BLP_GetHeaderEx(file.data(), file.size(), &hx);
  EXPECT_EQ(std::memcmp(&h, &hx, sizeof h), 0);

  std::vector<std::uint8_t> px(16, 0xEE);
  std::uint16_t w = 0, hh = 0;
  BLP_LoadFromMemory(file.data(), 0, px.data(), &w, &hh);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(hh, 2);
  EXPECT_EQ(px, kPixels);

  std::vector<std::uint8_t> pxx(16, 0xEE);
  BLP_LoadFromMemoryEx(file.data(), file.size(), 0, pxx.data(), pxx.size(), &w, &hh);
  EXPECT_EQ(pxx, kPixels);

  // Index 200 reads entry 15, here a copy of level 1's entry.
  auto repeated = file;
  Put32(repeated, 20 + 60, 1180);
  Put32(repeated, 84 + 60, 2);
  BLP_LoadFromMemory(repeated.data(), 200, px.data(), &w, &hh);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(hh, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(px.begin(), px.begin() + 4),
            (std::vector<std::uint8_t>{20, 40, 60, 77}));
}

TEST(BlpExports, ErrorsCrossTheBoundaryByType) {
  auto file = TinyBlp2();
  Put32(file, 88, 0);  // level 1 stored with size 0
  std::vector<std::uint8_t> px(16, 0xEE);
  std::uint16_t w = 0, hh = 0;
  EXPECT_THROW(BLP_LoadFromMemoryEx(file.data(), file.size(), 1, px.data(), px.size(), &w, &hh),
               ormel::DivisionByZero);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(px, std::vector<std::uint8_t>(16, 0xEE));
  TBLPHeader h{};
  EXPECT_THROW(BLP_GetHeaderEx(file.data(), 100, &h), ormel::InvalidData);
  EXPECT_EQ(h.Width, 0u);
}

// A file image of exactly four bytes that ends at an unreadable page, so any read past its
// signature faults.
class FourBytesBeforeAGuardPage {
 public:
  explicit FourBytesBeforeAGuardPage(const char* bytes) {
    page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* p = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    base_ = static_cast<std::uint8_t*>(p);
    mprotect(base_ + page_, page_, PROT_NONE);
    std::memcpy(data(), bytes, 4);
  }
  ~FourBytesBeforeAGuardPage() {
    if (base_ != nullptr) munmap(base_, 2 * page_);
  }
  bool ok() const { return base_ != nullptr; }
  std::uint8_t* data() const { return base_ + page_ - 4; }

 private:
  std::size_t page_ = 0;
  std::uint8_t* base_ = nullptr;
};

// The unbounded loads have no length, but a file image without their signature is read no
// further than the signature: nothing is known about what follows it.
TEST(BlpExports, UnboundedLoadsOfOtherFilesReadOnlyTheSignature) {
  std::vector<std::uint8_t> px(16, 0xEE);
  std::uint16_t w = 7, h = 9;
  for (const char* other : {"PNG!", "BLP3", "DDS_"}) {
    SCOPED_TRACE(other);
    const FourBytesBeforeAGuardPage file(other);
    ASSERT_TRUE(file.ok());
    BLP_LoadFromMemory(file.data(), 0, px.data(), &w, &h);
    DDS_LoadFromMemory(file.data(), px.data(), 0, &w, &h);
    TBLPHeader header{};
    TBLPHeader* ref = &header;
    BLP_GetHeader(file.data(), &ref);
    EXPECT_EQ(header.Width, 0u);
  }
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 9);
  EXPECT_EQ(px, std::vector<std::uint8_t>(16, 0xEE));
}

}  // namespace
