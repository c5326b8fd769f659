#include "mipmap_list.hpp"

#include <algorithm>

#include "blp1_header.hpp"
#include "blp_level_list.hpp"

namespace ondrel {

MipmapList BuildMipmapList(const MipmapTable& table, const QStringList& captions) {
  MipmapList list;
  const QString offsetHeading = captions.value(13);
  const int w = std::max<int>(6, int(offsetHeading.size()));
  list.lines << " # | " + offsetHeading.leftJustified(w) + " | " + captions.value(14);
  const int expected = MipmapCountFor(std::uint16_t(table.levelZero.width()),
                                      std::uint16_t(table.levelZero.height()));
  for (const ListedLevel& level : ListStoredLevels(table.offsets, table.sizes, table.fileSize, table.blp1, expected)) {
    const auto i = std::size_t(level.index);
    list.lines << QString("%1 | %2 | %3")
                      .arg(level.index, 2)
                      .arg(QString::number(table.offsets[i]).leftJustified(w))
                      .arg(QString::number(table.sizes[i]).leftJustified(7));
    list.levels.push_back(level.index);
    ++(level.regular ? list.regular : list.irregular);
  }
  list.countText = QString("%1 (%2: %3)")
                       .arg(list.regular + list.irregular)
                       .arg(captions.value(12))
                       .arg(list.irregular);
  return list;
}

std::optional<int> LevelForChosenLine(const MipmapList& list, int line, int currentLevel) {
  if (line < 1 || line > int(list.levels.size())) return std::nullopt;
  const int level = list.levels[std::size_t(line - 1)];
  if (level == currentLevel) return std::nullopt;
  return level;
}

std::optional<int> AdjacentListedLevel(const MipmapList& list, int currentLevel, int step) {
  const auto at = std::find(list.levels.begin(), list.levels.end(), currentLevel);
  if (at == list.levels.end()) return std::nullopt;
  const auto index = (at - list.levels.begin()) + step;
  if (index < 0 || index >= std::ssize(list.levels)) return std::nullopt;
  return list.levels[std::size_t(index)];
}

int LineOfLevel(const MipmapList& list, int level) {
  const auto at = std::find(list.levels.begin(), list.levels.end(), level);
  return at == list.levels.end() ? 0 : int(at - list.levels.begin()) + 1;
}

}  // namespace ondrel
