// Files written by Pillow and ImageMagick (tools/make_interop_fixtures.py) open in our
// loaders with the pixels those tools decode from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "dds.hpp"
#include "tga.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Fixture {
  std::string name;
  std::uint32_t width = 0, height = 0;
  std::string writer;
};

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<Fixture> Manifest(const std::string& kind) {
  std::vector<Fixture> list;
  std::ifstream in(std::string(ONDREL_FIXTURES) + "/" + kind + "/MANIFEST.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Fixture f;
    fields >> f.name >> f.width >> f.height >> f.writer;
    list.push_back(f);
  }
  return list;
}

std::string PathOf(const std::string& kind, const std::string& name) {
  return std::string(ONDREL_FIXTURES) + "/" + kind + "/" + name;
}

// Largest difference of any channel; the first `channels` bytes of each pixel compared.
int MaxDifference(const Bytes& ours, int bytesPerPixel, const Bytes& expected, int channels) {
  int worst = 0;
  for (std::size_t i = 0; i < expected.size() / 4; ++i)
    for (int c = 0; c < channels; ++c)
      worst = std::max(worst, std::abs(int(ours[i * bytesPerPixel + c]) - expected[i * 4 + c]));
  return worst;
}

TEST(TgaInterop, FilesOfOtherWritersDecodeToTheirPixels) {
  const auto fixtures = Manifest("tga");
  ASSERT_GE(fixtures.size(), 12u);
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.name + " by " + f.writer);
    const Bytes file = ReadFile(PathOf("tga", f.name));
    const Bytes expected = ReadFile(PathOf("tga", f.name + ".bgra"));
    ASSERT_GE(file.size(), 18u);
    ASSERT_EQ(expected.size(), std::size_t{f.width} * f.height * 4);
    const int b = ormel::tga::BytesPerPixel(file.data());
    ASSERT_TRUE(b == 3 || b == 4);
    Bytes rows(ormel::tga::OutputBytes(file.data()));
    ASSERT_TRUE(ormel::tga::Decode(file, rows));
    // Rows come in file order; descriptor bit 5 says whether the top row is first.
    Bytes upright(rows.size());
    const std::size_t rowBytes = std::size_t{f.width} * b;
    const bool topFirst = (file[17] & 0x20) != 0;
    for (std::uint32_t r = 0; r < f.height; ++r) {
      const std::uint32_t to = topFirst ? r : f.height - 1 - r;
      std::copy_n(rows.begin() + r * rowBytes, rowBytes, upright.begin() + to * rowBytes);
    }
    EXPECT_EQ(MaxDifference(upright, b, expected, b), 0);
  }
}

TEST(DdsInterop, FilesOfOtherWritersDecodeToTheirPixels) {
  const auto fixtures = Manifest("dds");
  ASSERT_GE(fixtures.size(), 10u);
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.name + " by " + f.writer);
    const Bytes file = ReadFile(PathOf("dds", f.name));
    const Bytes expected = ReadFile(PathOf("dds", f.name + ".bgra"));
    ASSERT_EQ(expected.size(), std::size_t{f.width} * f.height * 4);
    Bytes pixels(expected.size());
    std::uint16_t w = 0, h = 0;
    ASSERT_TRUE(ormel::dds::Decode(file, pixels, w, h));
    EXPECT_EQ(w, f.width);
    EXPECT_EQ(h, f.height);
    const bool rgb = (ormel::LoadU32LE(&file[80]) & 0x40) != 0;
    const int b = rgb ? int(ormel::LoadU32LE(&file[88]) / 8) : 4;
    // Colour is exact (Pillow's DDS reader gives these same references). DXT5 alpha may be 1
    // apart: both tools truncate the interpolated alpha values where we round them.
    EXPECT_EQ(MaxDifference(pixels, b, expected, 3), 0);
    if (b == 4) {
      EXPECT_LE(MaxDifference(pixels, b, expected, 4), rgb ? 0 : 1);
    }
  }
}

}  // namespace
