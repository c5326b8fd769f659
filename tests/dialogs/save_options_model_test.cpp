// The save-options window's rules without the window: record <-> controls byte for byte, the
// enable rules, spin edits, the browse and typed-name rules, the BLP1 size warnings.
#include "save_options_model.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace ondrel;
using namespace ondrel::dialogs;

namespace {

std::array<std::uint8_t, 48> Bytes(const FileFormatOptions& o) {
  std::array<std::uint8_t, 48> b;
  std::memcpy(b.data(), &o, 48);
  return b;
}

// A record whose every stored byte is a value its control can hold, chosen at random.
FileFormatOptions InRangeRecord(std::uint32_t seed) {
  std::mt19937 rng(seed);
  const auto pick = [&](int lo, int hi) { return std::uint8_t(std::uniform_int_distribution<int>(lo, hi)(rng)); };
  FileFormatOptions o;
  o.blp1 = {pick(0, 1), pick(0, 255), pick(1, 100), pick(0, 1), pick(0, 1), pick(0, 1), pick(0, 1), pick(0, 15)};
  o.blp2 = {1, pick(0, 255), pick(1, 2), pick(0, 1), pick(0, 1), pick(0, 1), 0, pick(0, 15)};
  o.dds = {pick(0, 1), pick(0, 1), pick(0, 15), {}};
  o.tga = {pick(0, 1), pick(0, 255), pick(0, 1), pick(0, 1), pick(0, 1), pick(0, 1), pick(0, 1), 0};
  o.png = {pick(0, 9), pick(0, 1), pick(0, 1), pick(0, 1), pick(0, 1), {}};
  o.jpg = {pick(1, 100), pick(0, 1), {}};
  return o;
}

}  // namespace

TEST(SaveOptionsModel, EveryPageRoundTripsByteForByte) {
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    const FileFormatOptions original = InRangeRecord(seed);
    FileFormatOptions stored;
    std::memset(&stored, 0xAB, sizeof stored);  // unused bytes must come through untouched
    StoreAllPages(ValuesFromOptions(original), stored);
    const auto got = Bytes(stored), want = Bytes(original);
    for (int page = 0; page < 6; ++page) {
      static constexpr std::array<std::array<bool, 8>, 6> kUsed = {{
          {1, 1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 0, 1}, {1, 1, 1, 0, 0, 0, 0, 0},
          {1, 1, 1, 1, 1, 1, 1, 0}, {1, 1, 1, 1, 1, 0, 0, 0}, {1, 1, 0, 0, 0, 0, 0, 0}}};
      for (int i = 0; i < 8; ++i) {
        const int at = page * 8 + i;
        if (kUsed[page][i]) EXPECT_EQ(got[at], want[at]) << "seed " << seed << " byte " << at;
        else EXPECT_EQ(got[at], 0xAB) << "unused byte " << at << " was written";
      }
    }
  }
}

TEST(SaveOptionsModel, StoringOnePageLeavesTheOthers) {
  FileFormatOptions options = DesignedFileFormatOptions();
  const auto before = Bytes(options);
  OptionValues values = ValuesFromOptions(InRangeRecord(7));
  values["edTGA_Colors"] = 17;
  StorePage(values, 3, options);
  const auto after = Bytes(options);
  for (int at = 0; at < 48; ++at)
    if (at / 8 != 3) EXPECT_EQ(after[at], before[at]) << at;
  EXPECT_EQ(options.tga.TgaColorsMinus1, 16);
}

TEST(SaveOptionsModel, LoadingClampsAndRadioPairsMatchTheirValues) {
  FileFormatOptions o = DesignedFileFormatOptions();
  o.blp1.Blp1Quality = 0;       // below 1
  o.jpg.JpgQuality = 200;       // above 100
  o.png.PngCompression = 12;    // above 9
  o.blp1.Blp1MipmapsMinus1 = 40;
  o.blp2.Blp2Encoding = 3;      // neither paletted nor compressed
  o.tga.TgaPaletted = 1;
  const OptionValues v = ValuesFromOptions(o);
  EXPECT_EQ(v.at("edBLP1Quality"), 1);
  EXPECT_EQ(v.at("edJPG_Quality"), 100);
  EXPECT_EQ(v.at("edPNG_Ratio"), 9);
  EXPECT_EQ(v.at("edBLP1Mipmaps"), 16);
  EXPECT_EQ(v.at("rbxBLP2Paletted"), 0);
  EXPECT_EQ(v.at("rbxBLP2Compressed2"), 0);
  EXPECT_EQ(v.at("rbxTGA_Paletted"), 1);
  EXPECT_EQ(v.at("rbxTGA_TrueColor"), 0);
  EXPECT_EQ(v.at("edBLP1Colors"), 256);
}

TEST(SaveOptionsModel, StoringWritesBlp2KindOneAndRadioValues) {
  FileFormatOptions o{};
  OptionValues v = ValuesFromOptions(DesignedFileFormatOptions());
  v["rbxBLP2Paletted"] = 0;
  v["rbxBLP2Compressed2"] = 1;
  v["rbxDDS_Compressed2"] = 0;
  v["rbxDDS_TrueColor"] = 1;
  StoreAllPages(v, o);
  EXPECT_EQ(o.blp2.Blp2Kind, 1);
  EXPECT_EQ(o.blp2.Blp2Encoding, 2);
  EXPECT_EQ(o.dds.DdsCompressed, 0);
  v["rbxBLP2Paletted"] = 1;
  v["rbxBLP2Compressed2"] = 0;
  StorePage(v, 1, o);
  EXPECT_EQ(o.blp2.Blp2Encoding, 1);
}

TEST(SaveOptionsModel, SpinTextIsClampedAndANonNumberIsTheMinimum) {
  EXPECT_EQ(SpinValueFromText("50", 1, 100), 50);
  EXPECT_EQ(SpinValueFromText("0", 1, 100), 1);
  EXPECT_EQ(SpinValueFromText("4000000000", 1, 256), 256);
  EXPECT_EQ(SpinValueFromText("abc", 1, 16), 1);
  EXPECT_EQ(SpinValueFromText("", 0, 9), 0);
}

TEST(SaveOptionsModel, FiveEnableRules) {
  OptionValues v = ValuesFromOptions(DesignedFileFormatOptions());  // JPEG, DXT, DXT, true colour, no RLE
  auto s = EnableStates(v);
  EXPECT_FALSE(s.at("edBLP1Colors"));
  EXPECT_FALSE(s.at("lbxBLP1Colors"));
  EXPECT_TRUE(s.at("edBLP1Quality"));
  EXPECT_TRUE(s.at("chkBLP1MergeHeaders"));
  EXPECT_FALSE(s.at("chkBLP2CompressPal"));
  EXPECT_TRUE(s.at("chkBLP2ErrorDiff2"));
  EXPECT_TRUE(s.at("chkDDS_ErrorDiff2"));
  EXPECT_FALSE(s.at("edTGA_Colors"));
  EXPECT_FALSE(s.at("chkTGA_Override"));
  v["rbxBLP1Paletted"] = 1, v["rbxBLP1Compressed1"] = 0;
  v["rbxBLP2Paletted"] = 1, v["rbxBLP2Compressed2"] = 0;
  v["rbxDDS_Compressed2"] = 0, v["rbxDDS_TrueColor"] = 1;
  v["rbxTGA_Paletted"] = 1, v["rbxTGA_TrueColor"] = 0;
  v["chkTGA_RLE"] = 1;
  s = EnableStates(v);
  EXPECT_TRUE(s.at("chkBLP1ErrorDiff1"));
  EXPECT_FALSE(s.at("chkBLP1Progressive"));
  EXPECT_TRUE(s.at("edBLP2Colors"));
  EXPECT_FALSE(s.at("chkBLP2ErrorDiff2"));
  EXPECT_FALSE(s.at("chkDDS_ErrorDiff2"));
  EXPECT_TRUE(s.at("chkTGA_CompressPal"));
  EXPECT_TRUE(s.at("chkTGA_Override"));
  // Mipmap counts, the PNG and the JPG controls follow no rule: always enabled.
  EXPECT_EQ(s.count("edBLP1Mipmaps") + s.count("edPNG_Ratio") + s.count("chkTGA_TopLeft"), 0u);
}

TEST(SaveOptionsModel, BrowseFilterIndexRule) {
  struct Case { int filter; const char* chosen; std::optional<int> format; };
  const Case cases[] = {
      {1, "/t/photo.png", 4},   {1, "/t/a.JPEG", 5},     {1, "/t/a.blp", 0},  {1, "/t/a.bmp", 6},
      {1, "/t/a.dds", 2},       {1, "/t/a.tga", 3},      {1, "/t/a.gif", std::nullopt},
      {2, "/t/a.png", 0},       {3, "/t/a", 3},          {4, "/t/a", 6},      {5, "/t/a", 5},
      {6, "/t/a", 4},           {7, "/t/a", 2},          {0, "/t/a.png", std::nullopt},
      {8, "/t/a.png", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(FormatFromBrowse(c.filter, c.chosen), c.format) << c.filter << " " << c.chosen;
  EXPECT_EQ(NameFieldFromBrowse("/t/photo.png"), "/t/photo");
  EXPECT_EQ(NameFieldFromBrowse("/t/my.folder/photo"), "/t/my.folder/photo");
  EXPECT_EQ(NameFieldFromBrowse("/t/a.b.tga"), "/t/a.b");
}

TEST(SaveOptionsModel, TypedNameGetsTheExtensionOnlyWhenItLacksIt) {
  EXPECT_EQ(SaveFileName("/t/tex", 3), "/t/tex.tga");
  EXPECT_EQ(SaveFileName("/t/tex.tga", 3), "/t/tex.tga");
  EXPECT_EQ(SaveFileName("/t/tex.TGA", 3), "/t/tex.TGA");
  EXPECT_EQ(SaveFileName("/t/tex.png", 3), "/t/tex.png.tga");
  EXPECT_EQ(SaveFileName("/t/tex", 1), "/t/tex.blp");
  EXPECT_EQ(SaveFileName("/t/tex", 6), "/t/tex.bmp");
}

TEST(SaveOptionsModel, PowerOfTwoWarnings) {
  EXPECT_EQ(PowerOfTwoWarning(100, 64), 7);
  EXPECT_EQ(PowerOfTwoWarning(64, 100), 8);
  EXPECT_EQ(PowerOfTwoWarning(100, 100), 6);
  EXPECT_EQ(PowerOfTwoWarning(1, 1), 0);
  EXPECT_EQ(PowerOfTwoWarning(512, 32768), 0);
  EXPECT_EQ(PowerOfTwoWarning(65536 + 64, 64), 0);  // sides are 16-bit values
}
