// The levels a BLP file's mipmap tables list, as the information panel and --info show them.
#include <gtest/gtest.h>

#include "blp_level_list.hpp"

using ondrel::ListedLevel;
using ondrel::ListStoredLevels;

namespace {

std::vector<int> Indexes(const std::vector<ListedLevel>& levels) {
  std::vector<int> out;
  for (const ListedLevel& l : levels) out.push_back(l.index);
  return out;
}

TEST(ListStoredLevels, BackToBackChainIsAllRegular) {
  std::array<std::uint32_t, 16> offsets{}, sizes{};
  offsets = {100, 164, 180, 184};
  sizes = {64, 16, 4, 1};
  const auto levels = ListStoredLevels(offsets, sizes, 185, true, 4);
  EXPECT_EQ(Indexes(levels), (std::vector<int>{0, 1, 2, 3}));
  for (const ListedLevel& l : levels) EXPECT_TRUE(l.regular) << l.index;
}

TEST(ListStoredLevels, SkipsEmptyEntriesAndForBlp1ThoseOutsideTheFile) {
  std::array<std::uint32_t, 16> offsets{}, sizes{};
  offsets = {100, 164, 0, 500};
  sizes = {64, 16, 0, 8};
  EXPECT_EQ(Indexes(ListStoredLevels(offsets, sizes, 200, true, 8)), (std::vector<int>{0, 1}));
  // BLP2 lists a level past the end; it does not follow level 1, so it is irregular.
  const auto blp2 = ListStoredLevels(offsets, sizes, 200, false, 8);
  ASSERT_EQ(Indexes(blp2), (std::vector<int>{0, 1, 3}));
  EXPECT_FALSE(blp2[2].regular);
}

TEST(ListStoredLevels, LevelBeyondTheFullChainIsIrregular) {
  std::array<std::uint32_t, 16> offsets{}, sizes{};
  offsets = {100, 104, 105};
  sizes = {4, 1, 1};
  const auto levels = ListStoredLevels(offsets, sizes, 106, true, 2);
  ASSERT_EQ(Indexes(levels), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(levels[1].regular);
  EXPECT_FALSE(levels[2].regular);
}

TEST(ListStoredLevels, LevelZeroIsListedEvenWhenEmpty) {
  const std::array<std::uint32_t, 16> none{};
  const auto levels = ListStoredLevels(none, none, 0, true, 1);
  ASSERT_EQ(levels.size(), 1u);
  EXPECT_EQ(levels[0].index, 0);
  EXPECT_TRUE(levels[0].regular);
}

}  // namespace
