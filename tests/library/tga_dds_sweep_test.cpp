// Every TGA and DDS fixture cut at every length up to a few hundred bytes, and with bits
// flipped, loads without a crash or a sanitizer report; errors are allowed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "dds.hpp"
#include "ormel_errors.hpp"
#include "tga.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kLongestPrefix = 400;
constexpr std::uint64_t kLargestBuffer = 1u << 20;

std::vector<std::filesystem::path> Fixtures(const char* kind, const char* extension) {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(std::string(ONDREL_FIXTURES) + "/" + kind))
    if (e.path().extension() == extension) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

Bytes Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void LoadTga(const Bytes& file) {
  // Size the buffer from the header as the caller does, within reason for a damaged header.
  const std::uint64_t want = file.size() >= 18 ? ormel::tga::OutputBytes(file.data()) : 64;
  Bytes out(static_cast<std::size_t>(std::min(want, kLargestBuffer)));
  try {
    ormel::tga::Decode(file, out);
  } catch (const ormel::Error&) {
  }
}

void LoadDds(const Bytes& file) {
  const std::uint64_t want = file.size() >= 20 ? std::uint64_t{ormel::LoadU32LE(&file[12])} *
                                                     ormel::LoadU32LE(&file[16]) * 4
                                               : 64;
  Bytes out(static_cast<std::size_t>(std::min(want, kLargestBuffer)));
  std::uint16_t w = 0, h = 0;
  try {
    ormel::dds::Decode(file, out, w, h);
  } catch (const ormel::Error&) {
  }
}

template <typename Load>
void Sweep(const Bytes& file, Load load) {
  for (std::size_t n = 0; n <= std::min(file.size(), kLongestPrefix); ++n)
    load(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
  // One flipped bit in each header byte, then a spread of flips over the rest.
  for (std::size_t i = 0; i < file.size(); i += i < 128 ? 1 : 7) {
    Bytes damaged = file;
    damaged[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
    load(damaged);
  }
}

TEST(TgaDdsSweep, TgaFixturesSurviveTruncationAndBitFlips) {
  const auto files = Fixtures("tga", ".tga");
  ASSERT_FALSE(files.empty());
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    Sweep(Read(path), LoadTga);
  }
}

TEST(TgaDdsSweep, DdsFixturesSurviveTruncationAndBitFlips) {
  const auto files = Fixtures("dds", ".dds");
  ASSERT_FALSE(files.empty());
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    Sweep(Read(path), LoadDds);
  }
}

}  // namespace
