// The mipmap list of a BLP file: its header line, one line per listed level, the count of
// regular and irregular levels, and which level a chosen line stands for.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ondrel {

// The header facts the list is made from.
struct MipmapTable {
  std::array<std::uint32_t, 16> offsets{}, sizes{};
  std::uint64_t fileSize = 0;
  bool blp1 = false;  // BLP1 lists only levels that end inside the file
  QSize levelZero;    // the header's width and height
};

struct MipmapList {
  QStringList lines;        // the header line, then one line per listed level
  std::vector<int> levels;  // levels[n - 1]: the level that line n (n >= 1) shows
  int regular = 0, irregular = 0;
  QString countText;        // for lblBLPMipmaps
};

// captions: the CAPTIONS table (13 offset and 14 size headings, 12 the irregular qualifier).
MipmapList BuildMipmapList(const MipmapTable& table, const QStringList& captions);

// The level to load when line `line` is chosen while `currentLevel` is on screen: nothing for
// the header line, a line past the end, or the level already shown.
std::optional<int> LevelForChosenLine(const MipmapList& list, int line, int currentLevel);

// The listed level before (step -1) or after (step +1) the one on screen; nothing at the ends.
std::optional<int> AdjacentListedLevel(const MipmapList& list, int currentLevel, int step);

// The line that shows a level (0 when the level is not listed).
int LineOfLevel(const MipmapList& list, int level);

}  // namespace ondrel
