// Filling the language file's format strings, whatever placeholders a translation carries.
#include <gtest/gtest.h>

#include <cstdint>

#include "message_format.hpp"
#include "qt_print.hpp"

using ondrel::FormatMessage;

namespace {

TEST(FormatMessage, FillsTextsAndNumbersByTheirKind) {
  const QString file = "tex.blp";
  const std::int64_t saved = 1234;
  const struct {
    const char* format;
    const char* expected;
  } cases[] = {
      {"%s: optimized, %d bytes saved", "tex.blp: optimized, 1234 bytes saved"},
      {"%d bytes saved in %s", "1234 bytes saved in tex.blp"},  // reordered by kind
      {"%s", "tex.blp"},                                         // number left out
      {"optimized", "optimized"},                                // no placeholder at all
      {"%s %s %d|%d", "tex.blp 1234 |"},                         // more than there are arguments
      {"%D and %S", "1234 and tex.blp"},
      {"100%% of %s", "100% of tex.blp"},
      {"[%-9s][%6d]", "[tex.blp  ][  1234]"},
      {"[%.3s][%.6d]", "[tex][001234]"},
      {"%x %f %0:s %", "%x %f %0:s %"},                          // not ours: left as written
      {"50% done: %s", "50% done: tex.blp"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatMessage(c.format, {file, saved}), c.expected) << c.format;
}

TEST(FormatMessage, ShowsNumbersInTextPlaceholdersButNoTextInNumberOnes) {
  EXPECT_EQ(FormatMessage("%s files, %s bytes", {std::int64_t{3}, std::int64_t{-40}}), "3 files, -40 bytes");
  EXPECT_EQ(FormatMessage("%d: nothing to save", {QString("tex.blp")}), ": nothing to save");
  EXPECT_EQ(FormatMessage("%d", {std::int64_t{INT64_MIN}}), "-9223372036854775808");
}

TEST(FormatMessage, CapsWidthsSoAHostileTranslationCostsNothing) {
  const QString out = FormatMessage("%99999999999999999999d|%.99999999999s", {std::int64_t{7}, QString("x")});
  EXPECT_EQ(out, QString(254, ' ') + "7|x");
}

}  // namespace
