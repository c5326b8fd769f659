// The JPEG header optimizer and the other BLP1 file operations: pixels never change, an
// optimal file saves nothing, extras are removed, damaged files are refused, and a failed
// rewrite leaves the original byte for byte.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

#include <QDir>
#include <QFileInfo>

#include "atomic_file.hpp"
#include "blp1_comment.hpp"
#include "blp1_files.hpp"
#include "blp1_header.hpp"
#include "blp1_optimize.hpp"
#include "file_size_signal.hpp"
#include "ormel_blp.h"
#include "test_files.hpp"

using namespace ondrel;
using ondrel_test::Blp1JpegLayout;
using ondrel_test::MakeBlp1Jpeg;

namespace {

std::span<const std::uint8_t> Span(const QByteArray& b) {
  return {reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())};
}
QByteArray Bytes(const std::vector<std::uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

int StoredLevels(const QByteArray& file) {
  std::span<const std::uint8_t, kBlp1HeaderSize> h(reinterpret_cast<const std::uint8_t*>(file.constData()), kBlp1HeaderSize);
  return CountStoredMipmaps(h);
}

// Every level decodes to the same pixels in both files.
void ExpectSameLevels(const QByteArray& a, const QByteArray& b, int levels) {
  for (int i = 0; i < levels; ++i)
    EXPECT_EQ(ondrel_test::DecodeBlp1JpegLevel(a, i), ondrel_test::DecodeBlp1JpegLevel(b, i)) << "level " << i;
}

struct Arrangement {
  const char* name;
  bool progressive, merged;
};

class OptimizeArrangements : public ::testing::TestWithParam<Arrangement> {};

TEST_P(OptimizeArrangements, KeepsPixelsAndIsIdempotent) {
  Blp1JpegLayout layout;
  layout.progressive = GetParam().progressive;
  layout.merged = GetParam().merged;
  const QByteArray source = MakeBlp1Jpeg(layout);
  const QByteArray once = Bytes(OptimizeJpegBlpImage(Span(source)));
  ExpectSameLevels(source, once, layout.levels);
  const std::uint32_t header = GetU32(Span(once), kBlp1JpegHeaderSizeAt);
  EXPECT_EQ(header, layout.progressive ? 76u : 292u);  // the encoder's merged arrangements
  EXPECT_EQ(GetU32(Span(once), kBlp1OffsetsAt), 160 + header);
  if (layout.merged) EXPECT_EQ(once, source);  // already optimal: same bytes
  else EXPECT_LT(once.size(), source.size());
  const QByteArray twice = Bytes(OptimizeJpegBlpImage(Span(once)));
  EXPECT_EQ(twice, once);
  // The repeated entries of the unwritten levels point at the rewritten last level.
  std::span<const std::uint8_t> t = Span(once);
  for (int i = layout.levels; i < MipmapCountFor(64, 32); ++i) {
    EXPECT_EQ(MipmapOffset(t, i), MipmapOffset(t, layout.levels - 1));
    EXPECT_EQ(MipmapSize(t, i), MipmapSize(t, layout.levels - 1));
  }
  EXPECT_EQ(StoredLevels(once), layout.levels);
}

INSTANTIATE_TEST_SUITE_P(All, OptimizeArrangements,
                         ::testing::Values(Arrangement{"Baseline", false, false},
                                           Arrangement{"BaselineMerged", false, true},
                                           Arrangement{"Progressive", true, false},
                                           Arrangement{"ProgressiveMerged", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Extras {
  const char* name;
  std::uint32_t gap;
  bool com, app0;
  bool merged;
};

class OptimizeExtras : public ::testing::TestWithParam<Extras> {};

// Gaps, COM and APP0 segments are removed; exactly their bytes are saved.
TEST_P(OptimizeExtras, SavesExactlyTheExtras) {
  const auto& e = GetParam();
  for (const bool progressive : {false, true}) {
    Blp1JpegLayout layout;
    layout.progressive = progressive;
    layout.merged = true;
    const QByteArray clean = MakeBlp1Jpeg(layout);
    layout.merged = e.merged;
    layout.gap = e.gap;
    layout.comSegment = e.com;
    layout.app0Segment = e.app0;
    const QByteArray source = MakeBlp1Jpeg(layout);
    const QByteArray out = Bytes(OptimizeJpegBlpImage(Span(source)));
    ExpectSameLevels(source, out, layout.levels);
    EXPECT_EQ(out, clean) << "progressive " << progressive;
  }
}

INSTANTIATE_TEST_SUITE_P(All, OptimizeExtras,
                         ::testing::Values(Extras{"Gap", 37, false, false, true},
                                           Extras{"Com", 0, true, false, true},
                                           Extras{"App0", 0, false, true, true},
                                           Extras{"AllUnmerged", 5, true, true, false},
                                           Extras{"AllMerged", 1000, true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OptimizeJpegBlpImage, KeepsCommentBeyondTheFile) {
  Blp1JpegLayout layout;
  layout.width = layout.height = 16;  // n = 5, capacity 84
  layout.levels = 5;
  QByteArray source = MakeBlp1Jpeg(layout);
  std::span<std::uint8_t, kBlp1HeaderSize> h(reinterpret_cast<std::uint8_t*>(source.data()), kBlp1HeaderSize);
  WriteBlpComment(h, "kept across optimization");
  const QByteArray out = Bytes(OptimizeJpegBlpImage(Span(source)));
  std::span<const std::uint8_t, kBlp1HeaderSize> oh(reinterpret_cast<const std::uint8_t*>(out.constData()), kBlp1HeaderSize);
  EXPECT_EQ(ReadBlpComment(oh), "kept across optimization");
  ExpectSameLevels(source, out, 5);
}

// Damaged files are refused, never read outside their streams (the fuzz target goes further).
TEST(OptimizeJpegBlpImage, RefusesDamagedFiles) {
  Blp1JpegLayout layout;
  layout.merged = true;
  const QByteArray good = MakeBlp1Jpeg(layout);
  auto mutate = [&](auto&& change) {
    QByteArray b = good;
    change(std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(b.data()), std::size_t(b.size())), b);
    return b;
  };
  const QByteArray cases[] = {
      good.left(100),
      good.left(300),
      mutate([](auto s, auto&) { PutU32(s, kBlp1JpegHeaderSizeAt, 0x7FFFFFFF); }),
      mutate([](auto s, auto&) { SetMipmapOffset(s, 0, 10); }),
      mutate([](auto s, auto&) { SetMipmapSize(s, 1, 0x7FFFFFF0); }),
      mutate([](auto s, auto&) { SetMipmapSize(s, 0, 0); }),
      mutate([](auto s, auto&) { s[160 + 4] = 0xFF; }),  // the DQT length
      mutate([](auto s, auto&) { PutU32(s, 4, 1); }),    // paletted
  };
  for (const auto& c : cases) EXPECT_THROW(OptimizeJpegBlpImage(Span(c)), OptimizeError);
}

// A second frame header too short for its own fields: cutting it after its sample precision
// would run past the segment's end.
TEST(OptimizeJpegBlpImage, RefusesAShortSecondFrameHeader) {
  const std::uint8_t stream[] = {
      0xFF, 0xD8,                                                  // SOI
      0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x08, 0x00, 0x08, 0x03,  // SOF0, 8 x 8, 3 components
      0x01, 0x11, 0x00, 0x02, 0x11, 0x00, 0x03, 0x11, 0x00,
      0xFF, 0xC0, 0x00, 0x02,                                      // SOF0 with only its length
      0xFF, 0xDA, 0x00, 0x02, 0x00, 0xFF, 0xD9};                   // SOS, data, EOI
  QByteArray file(int(kBlp1JpegHeaderAt), '\0');
  std::span<std::uint8_t> s(reinterpret_cast<std::uint8_t*>(file.data()), std::size_t(file.size()));
  std::memcpy(s.data(), "BLP1", 4);
  PutU32(s, kBlp1WidthAt, 8);
  PutU32(s, kBlp1HeightAt, 8);
  SetMipmapOffset(s, 0, std::uint32_t(kBlp1JpegHeaderAt));
  SetMipmapSize(s, 0, sizeof stream);
  file.append(reinterpret_cast<const char*>(stream), sizeof stream);
  EXPECT_THROW(OptimizeJpegBlpImage(Span(file)), OptimizeError);
}

// Two levels stored back to back whose sizes happen to be equal are still two levels: the
// encoder's copies of the last level share its offset, they do not follow it.
TEST(OptimizeJpegBlpImage, KeepsConsecutiveLevelsOfEqualSize) {
  Blp1JpegLayout layout;
  layout.merged = true;
  const QByteArray made = MakeBlp1Jpeg(layout);
  Blp1Header h;
  std::copy_n(reinterpret_cast<const std::uint8_t*>(made.constData()), kBlp1HeaderSize, h.begin());
  const int levels = StoredLevels(made);
  ASSERT_GE(levels, 3);
  // Level 2 padded after its end of image to the size of level 1; decoders stop at EOI.
  QByteArray file = made.left(int(MipmapOffset(h, 0)));
  for (int i = 0; i < levels; ++i) {
    QByteArray data = made.mid(int(MipmapOffset(h, i)), int(MipmapSize(h, i)));
    if (i == 2) data.append(QByteArray(int(MipmapSize(h, 1) - MipmapSize(h, 2)), '\0'));
    SetMipmapOffset(h, i, std::uint32_t(file.size()));
    SetMipmapSize(h, i, std::uint32_t(data.size()));
    file.append(data);
  }
  for (int i = levels; i < MipmapCountOf(h); ++i) {
    SetMipmapOffset(h, i, MipmapOffset(h, levels - 1));
    SetMipmapSize(h, i, MipmapSize(h, levels - 1));
  }
  std::copy(h.begin(), h.end(), file.begin());
  ASSERT_EQ(MipmapSize(h, 1), MipmapSize(h, 2));
  const QByteArray out = Bytes(OptimizeJpegBlpImage(Span(file)));
  ExpectSameLevels(file, out, MipmapCountOf(h));
}

struct Placement {
  const char* name;
  ondrel_test::LevelPlacement placement;
};

class OptimizePlacements : public ::testing::TestWithParam<Placement> {};

// Writers align and pad their levels and store them in any order: every level keeps its
// pixels, every unused byte goes, and the result is the encoder's own merged layout.
TEST_P(OptimizePlacements, KeepsEveryLevelAndDropsEveryGap) {
  Blp1JpegLayout layout;
  layout.width = layout.height = 32;
  layout.levels = 6;
  layout.merged = true;
  const QByteArray clean = MakeBlp1Jpeg(layout);
  const QByteArray source = ondrel_test::RelayBlp1Levels(clean, layout.levels, GetParam().placement);
  const QByteArray once = Bytes(OptimizeJpegBlpImage(Span(source)));
  ExpectSameLevels(source, once, layout.levels);
  EXPECT_EQ(once, clean);
  EXPECT_EQ(Bytes(OptimizeJpegBlpImage(Span(once))), once);
}

INSTANTIATE_TEST_SUITE_P(
    All, OptimizePlacements,
    ::testing::Values(Placement{"GapBeforeLevel0", {{}, {40}, 0}},
                      Placement{"GapBeforeLevel2", {{}, {0, 0, 50}, 0}},
                      Placement{"GapsBetweenAll", {{}, {0, 3, 3, 3, 3, 3}, 0}},
                      Placement{"GapAfterLast", {{}, {}, 20}},
                      Placement{"Reversed", {{5, 4, 3, 2, 1, 0}, {1, 2, 3, 4, 5, 6}, 7}},
                      Placement{"Shuffled", {{2, 0, 5, 1, 4, 3}, {0, 0, 0, 9}, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// A level entry that reaches past the end of the file cannot be kept: refused, never made
// into a copy of another level.
TEST(OptimizeJpegBlpImage, RefusesALevelPastTheEnd) {
  Blp1JpegLayout layout;
  layout.merged = true;
  const QByteArray good = MakeBlp1Jpeg(layout);
  for (const std::uint32_t past : {0u, 1u, 1000u}) {
    QByteArray file = good;
    std::span<std::uint8_t> s(reinterpret_cast<std::uint8_t*>(file.data()), std::size_t(file.size()));
    SetMipmapOffset(s, 3, std::uint32_t(file.size()) - MipmapSize(s, 3) + 1 + past);
    EXPECT_THROW(OptimizeJpegBlpImage(Span(file)), OptimizeError) << past;
  }
}

// An empty entry is no level: it stays empty, and the levels after it are kept.
TEST(OptimizeJpegBlpImage, KeepsLevelsAfterAnEmptyEntry) {
  Blp1JpegLayout layout;
  const QByteArray unmerged = MakeBlp1Jpeg(layout);
  QByteArray file = ondrel_test::RelayBlp1Levels(unmerged, layout.levels, {{}, {0, 0, 0, 11}, 0});
  std::span<std::uint8_t> s(reinterpret_cast<std::uint8_t*>(file.data()), std::size_t(file.size()));
  SetMipmapOffset(s, 2, 0);
  SetMipmapSize(s, 2, 0);
  const QByteArray once = Bytes(OptimizeJpegBlpImage(Span(file)));
  const auto o = Span(once);
  EXPECT_EQ(MipmapOffset(o, 2), 0u);
  EXPECT_EQ(MipmapSize(o, 2), 0u);
  for (int i : {0, 1, 3, 4, 5, 6})
    EXPECT_EQ(ondrel_test::DecodeBlp1JpegLevel(file, i), ondrel_test::DecodeBlp1JpegLevel(once, i)) << i;
  EXPECT_EQ(Bytes(OptimizeJpegBlpImage(o)), once);
}

// Levels whose tables differ from level 0's cannot share one header.
TEST(OptimizeJpegBlpImage, RefusesLevelsWithOtherTables) {
  Blp1JpegLayout layout;
  QByteArray file = MakeBlp1Jpeg(layout);
  std::span<std::uint8_t> s(reinterpret_cast<std::uint8_t*>(file.data()), std::size_t(file.size()));
  const std::uint32_t level1 = MipmapOffset(s, 1);
  s[level1 + 2 + 4 + 1 + 10] ^= 1;  // one quantization value of level 1
  EXPECT_THROW(OptimizeJpegBlpImage(Span(file)), OptimizeError);
}

class Blp1Files : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const char* name) { return dir.filePath(name); }
};

TEST_F(Blp1Files, OptimizeInPlaceReportsBytesSaved) {
  Blp1JpegLayout layout;
  layout.gap = 12;
  layout.comSegment = true;
  const QByteArray source = MakeBlp1Jpeg(layout);
  ondrel_test::WriteFile(path("a.blp"), source);
  const std::int32_t saved = OptimizeJpegBlp(path("a.blp"), path("a.blp"));
  const QByteArray after = ondrel_test::ReadFile(path("a.blp"));
  EXPECT_EQ(saved, source.size() - after.size());
  EXPECT_GT(saved, 0);
  EXPECT_EQ(OptimizeJpegBlp(path("a.blp"), path("a.blp")), 0);
  EXPECT_EQ(ondrel_test::ReadFile(path("a.blp")), after);
}

TEST_F(Blp1Files, Classify) {
  ondrel_test::WriteFile(path("jpeg.blp"), MakeBlp1Jpeg({}));
  ondrel_test::WriteFile(path("pal.blp"), QByteArray("BLP1\x01\0\0\0", 8) + QByteArray(200, '\0'));
  ondrel_test::WriteFile(path("odd.blp"), QByteArray("BLP1\x02\x01\0\0", 8));
  ondrel_test::WriteFile(path("v2.blp"), QByteArray("BLP2\x01\0\0\0", 8));
  ondrel_test::WriteFile(path("short.blp"), QByteArray("BLP1\0", 5));
  ondrel_test::WriteFile(path("tiny.blp"), QByteArray("BL", 2));
  EXPECT_EQ(ClassifyForOptimization(path("jpeg.blp")), 0);
  EXPECT_EQ(ClassifyForOptimization(path("pal.blp")), 1);
  EXPECT_EQ(ClassifyForOptimization(path("odd.blp")), 2);
  EXPECT_EQ(ClassifyForOptimization(path("v2.blp")), 255);
  EXPECT_THROW(ClassifyForOptimization(path("short.blp")), FileError);
  EXPECT_THROW(ClassifyForOptimization(path("tiny.blp")), FileError);
  EXPECT_THROW(ClassifyForOptimization(path("missing.blp")), FileError);
}

TEST_F(Blp1Files, StoreMipmapTablesChangesOnlyTheTables) {
  const QByteArray source = MakeBlp1Jpeg({});
  ondrel_test::WriteFile(path("c.blp"), source);
  Blp1Header header = ReadBlp1Header(path("c.blp"));
  WriteBlpComment(header, "a comment");
  StoreMipmapTables(header, path("c.blp"), path("c.blp"));
  const QByteArray after = ondrel_test::ReadFile(path("c.blp"));
  ASSERT_EQ(after.size(), source.size());
  EXPECT_EQ(after.left(28), source.left(28));
  EXPECT_EQ(after.mid(156), source.mid(156));
  EXPECT_EQ(ReadBlpComment(ReadBlp1Header(path("c.blp"))), "a comment");
}

// The file-size limit makes the write fail part way, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    IgnoreFileSizeSignal();
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

TEST_F(Blp1Files, FailedRewriteLeavesTheOriginal) {
  Blp1JpegLayout layout;
  layout.comSegment = true;
  const QByteArray source = MakeBlp1Jpeg(layout);
  ondrel_test::WriteFile(path("d.blp"), source);
  Blp1Header header = ReadBlp1Header(path("d.blp"));
  WriteBlpComment(header, "never half written");
  {
    const FileSizeLimit limit(rlim_t(source.size() / 3));
    EXPECT_THROW(OptimizeJpegBlp(path("d.blp"), path("d.blp")), FileError);
    EXPECT_THROW(StoreMipmapTables(header, path("d.blp"), path("d.blp")), FileError);
  }
  EXPECT_EQ(ondrel_test::ReadFile(path("d.blp")), source);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"d.blp"});  // no leftovers
}

// Paletted BLP1 files built by hand: every level painted on its own (not a reduction of
// level 0), indices drawn from a few palette entries, alpha planes of every depth.
struct PalettedLayout {
  const char* name;
  std::uint32_t alphaBits, pictureType;
  int storedLevels = 5;       // of the 16 x 8 chain's 5; the rest repeat the last
  std::uint32_t paletteEntries = 256;  // written before level 0
};

// Sides of level k of the 16 x 8 chain.
int SideOf(int side, int k) { return std::max(1, side >> k); }

// Bytes of an alpha plane of `area` pixels at the given depth as a file stores it.
std::size_t AlphaBytes(std::uint32_t bits, bool hasAlpha, std::size_t area) {
  if (!hasAlpha) return 0;
  if (bits == 1) return (area + 7) / 8;
  if (bits == 4) return (area + 1) / 2;
  return area;
}

// The indices in use: a handful spread over the palette, none of them entry 0.
constexpr std::uint8_t kUsed[] = {3, 9, 10, 77, 200, 254};

QByteArray MakePalettedBlp1(const PalettedLayout& layout) {
  const int w = 16, h = 8, n = MipmapCountFor(w, h);
  const bool hasAlpha = layout.pictureType < 5 || layout.alphaBits == 8;
  QByteArray file(int(kBlp1HeaderSize), '\0');
  auto s = [&] { return std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(file.data()), std::size_t(file.size())); };
  std::memcpy(file.data(), "BLP1", 4);
  PutU32(s(), kBlp1CompressionAt, 1);
  PutU32(s(), 8, layout.alphaBits);
  PutU32(s(), kBlp1WidthAt, w);
  PutU32(s(), kBlp1HeightAt, h);
  PutU32(s(), 20, layout.pictureType);
  PutU32(s(), 24, 1);
  for (std::uint32_t e = 0; e < layout.paletteEntries; ++e) {
    const char entry[4] = {char(e * 7), char(255 - e), char(e * 13 + 1), char(e)};
    file.append(entry, 4);
  }
  for (int k = 0; k < layout.storedLevels; ++k) {
    const std::size_t area = std::size_t(SideOf(w, k)) * SideOf(h, k);
    QByteArray level;
    for (std::size_t i = 0; i < area; ++i) level.append(char(kUsed[(i * 5 + k + i / 7) % std::size(kUsed)]));
    const std::size_t alpha = AlphaBytes(layout.alphaBits, hasAlpha, area);
    // Packed planes draw their bytes from the indices in use: readers take a 1 x 1 level of
    // two bytes for 2 x 1 and read its alpha byte as an index too.
    const bool packed = layout.alphaBits == 1 || layout.alphaBits == 4;
    for (std::size_t i = 0; i < alpha; ++i)
      level.append(packed ? char(kUsed[(i * 5 + 1) % std::size(kUsed)]) : char((i * 37 + 11 * k) ^ 0x5A));
    SetMipmapOffset(s(), k, std::uint32_t(file.size()));
    SetMipmapSize(s(), k, std::uint32_t(level.size()));
    file.append(level);
  }
  for (int k = layout.storedLevels; k < n; ++k) {
    SetMipmapOffset(s(), k, MipmapOffset(s(), layout.storedLevels - 1));
    SetMipmapSize(s(), k, MipmapSize(s(), layout.storedLevels - 1));
  }
  return file;
}

// Level k through the codec library, with its reported sides; pixels it leaves alone keep a
// fill pattern, so they compare too.
struct DecodedLevel {
  std::uint16_t width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  bool operator==(const DecodedLevel&) const = default;
};
// A failure names the sides and the largest change of any byte.
void PrintTo(const DecodedLevel& d, std::ostream* os) { *os << d.width << " x " << d.height; }
int LargestChange(const DecodedLevel& a, const DecodedLevel& b) {
  int most = 0;
  for (std::size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i)
    most = std::max(most, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
  return most;
}
DecodedLevel DecodePalettedLevel(const QByteArray& file, int k) {
  DecodedLevel d;
  d.pixels.assign(16 * 8 * 4, 0xA5);
  BLP_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()),
                       std::uint16_t(k), d.pixels.data(), d.pixels.size(), &d.width, &d.height);
  return d;
}

// Every level of the 16 x 8 chain (5 levels).
void ExpectSamePalettedLevels(const QByteArray& a, const QByteArray& b) {
  for (int k = 0; k < 5; ++k) {
    const DecodedLevel before = DecodePalettedLevel(a, k), after = DecodePalettedLevel(b, k);
    EXPECT_EQ(before, after) << "level " << k << " changed by up to " << LargestChange(before, after);
  }
}

class PalettedResave : public ::testing::TestWithParam<PalettedLayout> {};

// Only the unused palette entries go: every level decodes to the same bytes, the file shrinks
// by 4 bytes an entry, and a second pass changes nothing.
TEST_P(PalettedResave, TrimsThePaletteAndKeepsEveryLevel) {
  const PalettedLayout& layout = GetParam();
  const QByteArray source = MakePalettedBlp1(layout);
  const QByteArray once = ResavedPalettedBlp(source, "hand-made.blp");
  ExpectSamePalettedLevels(source, once);
  const std::uint32_t unused = layout.paletteEntries - std::uint32_t(std::size(kUsed));
  EXPECT_EQ(source.size() - once.size(), qsizetype(4 * unused));
  EXPECT_EQ(once.left(int(kBlp1OffsetsAt)), source.left(int(kBlp1OffsetsAt)));  // the other fields
  EXPECT_EQ(ResavedPalettedBlp(once, "hand-made.blp"), once);
  // Copies stay copies, of the moved last level.
  const auto o = Span(once);
  for (int k = layout.storedLevels; k < 5; ++k) {
    EXPECT_EQ(MipmapOffset(o, k), MipmapOffset(o, layout.storedLevels - 1));
    EXPECT_EQ(MipmapSize(o, k), MipmapSize(o, layout.storedLevels - 1));
  }
}

INSTANTIATE_TEST_SUITE_P(All, PalettedResave,
                         ::testing::Values(PalettedLayout{"NoAlpha", 0, 5},
                                           PalettedLayout{"Alpha1", 1, 4},
                                           PalettedLayout{"Alpha4", 4, 4},
                                           PalettedLayout{"Alpha8", 8, 4},
                                           PalettedLayout{"Alpha1PictureType5", 1, 5},
                                           PalettedLayout{"TwoLevelsAndCopies", 8, 4, 2},
                                           PalettedLayout{"ShortPalette", 4, 4, 5, 255}),
                         [](const auto& info) { return std::string(info.param.name); });

// Empty entries stay empty, levels after them are kept, and a comment in the unused
// entries survives.
TEST(PalettedResave, KeepsEmptyEntriesAndTheComment) {
  QByteArray source = MakePalettedBlp1({"", 8, 4});
  auto s = std::span<std::uint8_t, kBlp1HeaderSize>(reinterpret_cast<std::uint8_t*>(source.data()), kBlp1HeaderSize);
  SetMipmapOffset(s, 2, 0);
  SetMipmapSize(s, 2, 0);
  WriteBlpComment(s, "hand painted, keep");
  const QByteArray once = ResavedPalettedBlp(source, "c.blp");
  const auto o = std::span<const std::uint8_t, kBlp1HeaderSize>(reinterpret_cast<const std::uint8_t*>(once.constData()), kBlp1HeaderSize);
  EXPECT_EQ(ReadBlpComment(o), "hand painted, keep");
  EXPECT_EQ(MipmapOffset(o, 2), 0u);
  EXPECT_EQ(MipmapSize(o, 2), 0u);
  for (int k : {0, 1, 3, 4}) {
    const DecodedLevel before = DecodePalettedLevel(source, k), after = DecodePalettedLevel(once, k);
    EXPECT_EQ(before, after) << "level " << k << " changed by up to " << LargestChange(before, after);
  }
  // Level 2's bytes go, and so does every entry only level 2 used.
  std::array<bool, 256> named{};
  for (int k : {0, 1, 3, 4})
    for (int i = 0; i < SideOf(16, k) * SideOf(8, k); ++i) named[kUsed[(i * 5 + k + i / 7) % std::size(kUsed)]] = true;
  const auto unused = std::count(named.begin(), named.end(), false);
  EXPECT_EQ(source.size() - once.size(), qsizetype(4 * unused + 2 * 4 * 2));
}

// Files whose pixels depend on bytes outside their levels cannot be moved safely: refused.
TEST(PalettedResave, RefusesFilesItCannotKeepIdentical) {
  const QByteArray good = MakePalettedBlp1({"", 8, 4});
  auto mutate = [&](const std::function<void(std::span<std::uint8_t>)>& change) {
    QByteArray b = good;
    change(std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(b.data()), std::size_t(b.size())));
    return b;
  };
  const QByteArray cases[] = {
      good.left(100),
      mutate([](auto s) { SetMipmapSize(s, 1, MipmapSize(s, 1) - 1); }),  // alpha read past the level
      mutate([](auto s) { SetMipmapSize(s, 3, 0x7FFFFFF0); }),             // a level past the end
      mutate([](auto s) { SetMipmapOffset(s, 0, 0); }),                    // no level 0
      mutate([](auto s) { PutU32(s, kBlp1WidthAt, 0); }),
      mutate([](auto s) { PutU32(s, kBlp1CompressionAt, 0x101); }),
  };
  for (const auto& c : cases) EXPECT_THROW(ResavedPalettedBlp(c, "bad.blp"), ImageError);
  // An index naming a palette entry past the end of a tiny file.
  QByteArray tiny = MakePalettedBlp1({"", 0, 5, 5, 0});
  EXPECT_THROW(ResavedPalettedBlp(tiny, "tiny.blp"), ImageError);
}

// The file operations write only a complete, smaller file; otherwise nothing is written.
TEST_F(Blp1Files, RewritesOnlyWhatShrinks) {
  const QByteArray source = MakePalettedBlp1({"", 1, 4});
  ondrel_test::WriteFile(path("p.blp"), source);
  const std::int32_t saved = ResavePalettedBlp(path("p.blp"), path("p.blp"));
  EXPECT_EQ(saved, std::int32_t(4 * (256 - std::size(kUsed))));
  const QByteArray after = ondrel_test::ReadFile(path("p.blp"));
  EXPECT_EQ(source.size() - after.size(), saved);
  EXPECT_EQ(ResavePalettedBlp(path("p.blp"), path("p.blp")), 0);
  EXPECT_EQ(ondrel_test::ReadFile(path("p.blp")), after);
  EXPECT_EQ(ResavePalettedBlp(path("p.blp"), path("new.blp")), 0);
  EXPECT_FALSE(QFileInfo::exists(path("new.blp")));
  // The same for JPEG content that is already optimal.
  Blp1JpegLayout layout;
  layout.merged = true;
  ondrel_test::WriteFile(path("j.blp"), MakeBlp1Jpeg(layout));
  EXPECT_EQ(OptimizeJpegBlp(path("j.blp"), path("j2.blp")), 0);
  EXPECT_FALSE(QFileInfo::exists(path("j2.blp")));
}

// Paletted files of other writers: every level the chain has decodes the same after the trim,
// and the file never grows.
TEST(PalettedResave, KeepsPeerFilesIdentical) {
  const QString folder = QString(ONDREL_PEER_BLP) + "/image-blp/";
  int seen = 0;
  for (const char* name : {"simple_with_alpha.blp", "rect_with_alpha.blp", "simple_without_alpha.blp"}) {
    if (!QFileInfo::exists(folder + name)) continue;
    ++seen;
    const QByteArray source = ondrel_test::ReadFile(folder + name);
    const QByteArray once = ResavedPalettedBlp(source, name);
    EXPECT_LE(once.size(), source.size()) << name;
    const auto h = std::span<const std::uint8_t, kBlp1HeaderSize>(reinterpret_cast<const std::uint8_t*>(source.constData()), kBlp1HeaderSize);
    for (int k = 0; k < MipmapCountOf(h); ++k) {
      if (MipmapSize(h, k) == 0) continue;
      const auto decode = [&](const QByteArray& file) {
        DecodedLevel d;
        d.pixels.assign(4 * 16, 0xA5);
        BLP_LoadFromMemoryEx(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()),
                             std::uint16_t(k), d.pixels.data(), d.pixels.size(), &d.width, &d.height);
        return d;
      };
      EXPECT_EQ(decode(source), decode(once)) << name << " level " << k;
    }
  }
  if (seen == 0) GTEST_SKIP() << "no peer files in " << folder.toStdString();
}

}  // namespace
