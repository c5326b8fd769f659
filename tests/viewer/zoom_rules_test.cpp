// The zoom steps, the zoom box, the view size, the Ctrl keys and the view's place in the
// scroll area.
#include <gtest/gtest.h>

#include <vector>

#include "view_layout.hpp"
#include "viewer_keys.hpp"
#include "zoom_rules.hpp"

namespace ondrel {
namespace {

// The zooms a button pressed `count` times shows: an ignored step keeps the zoom.
std::vector<int> Steps(int from, int count, std::optional<int> (*step)(int)) {
  std::vector<int> zooms{from};
  for (int i = 0; i < count; ++i) zooms.push_back(step(zooms.back()).value_or(zooms.back()));
  return zooms;
}

TEST(ZoomSteps, FollowTheButtonsSequences) {
  EXPECT_EQ(Steps(100, 5, ZoomInFrom), (std::vector<int>{100, 125, 150, 175, 200, 250}));
  EXPECT_EQ(Steps(100, 2, ZoomOutFrom), (std::vector<int>{100, 90, 80}));
  EXPECT_EQ(Steps(25, 3, ZoomOutFrom), (std::vector<int>{25, 15, 5, 5}));
  EXPECT_EQ(Steps(350, 3, ZoomInFrom), (std::vector<int>{350, 400, 500, 600}));
  EXPECT_EQ(Steps(400, 2, ZoomOutFrom), (std::vector<int>{400, 350, 300}));
  // A step past 2000 or below 1 is ignored, so 1950 cannot reach 2000 by the buttons.
  EXPECT_EQ(ZoomInFrom(1900), 2000);
  EXPECT_EQ(ZoomInFrom(2000), std::nullopt);
  EXPECT_EQ(ZoomInFrom(1950), std::nullopt);
  EXPECT_EQ(ZoomOutFrom(5), std::nullopt);
}

TEST(ZoomBox, ListsTwentyFiveDoubledUpTo2000) {
  EXPECT_EQ(ZoomListEntries(),
            (QStringList{"25%", "50%", "100%", "200%", "400%", "800%", "1600%"}));
}

TEST(ZoomBox, TypedTextKeepsItsDigitsOnly) {
  struct Case {
    const char* text;
    std::optional<int> zoom;
  };
  const int current = 175;
  const Case cases[] = {
      {"150%", 150}, {"1", std::nullopt}, {"", current}, {"0", current}, {"%", current},
      {"2", 2},      {"2000", 2000},      {"2001", std::nullopt},       {" 3 0 0 % ", 300},
      {"12a5", 125}, {"99999999999999999999999", std::nullopt},         {"0150", 150},
  };
  for (const Case& c : cases) EXPECT_EQ(ZoomFromTypedText(c.text, current), c.zoom) << c.text;
}

TEST(ZoomedView, SidesRoundHalvesToEven) {
  struct Case {
    int side, zoom, expected;
  };
  const Case cases[] = {
      {1, 50, 0},      {3, 50, 2},    {5, 50, 2},      {7, 50, 4},    {23, 150, 34},
      {17, 150, 26},   {50, 1, 0},    {150, 1, 2},     {250, 1, 2},   {4096, 2000, 81920},
      {65535, 2000, 1310700},         {101, 5, 5},     {110, 5, 6},   {0, 400, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZoomedSide(c.side, c.zoom), c.expected) << c.side << " at " << c.zoom;
  EXPECT_EQ(ZoomedSize(QSize(23, 17), 150), QSize(34, 26));
}

TEST(ViewerKeys, OnlyCtrlMakesCommands) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    ViewerCommand command;
  };
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Case cases[] = {
      {Qt::Key_Left, ctrl, ViewerCommand::PreviousFile},
      {Qt::Key_Right, ctrl | Qt::ShiftModifier | Qt::AltModifier, ViewerCommand::NextFile},
      {Qt::Key_Plus, ctrl | Qt::KeypadModifier, ViewerCommand::ZoomIn},
      {Qt::Key_Minus, ctrl | Qt::KeypadModifier, ViewerCommand::ZoomOut},
      {Qt::Key_Plus, ctrl, ViewerCommand::None},  // the main keyboard's plus is not the keypad's
      {Qt::Key_PageUp, ctrl, ViewerCommand::PreviousMipmap},
      {Qt::Key_PageDown, ctrl, ViewerCommand::NextMipmap},
      {Qt::Key_Left, Qt::NoModifier, ViewerCommand::None},
      {Qt::Key_Plus, Qt::KeypadModifier, ViewerCommand::None},
      {Qt::Key_A, ctrl, ViewerCommand::None},
  };
  for (const Case& c : cases) EXPECT_EQ(CommandForKey(c.key, c.modifiers), c.command) << c.key;
}

TEST(ViewLayout, CentresSmallViewsAndKeepsEightPixelsAroundLargeOnes) {
  EXPECT_EQ(ViewOrigin(100, 500), 200);
  EXPECT_EQ(ViewOrigin(101, 500), 199);
  EXPECT_EQ(ViewOrigin(490, 500), 8);  // centring would leave less than 8
  EXPECT_EQ(ViewOrigin(2000, 500), 8);
  EXPECT_EQ(ScrollRange(100, 500), 0);
  EXPECT_EQ(ScrollRange(490, 500), 6);
  EXPECT_EQ(ScrollRange(2000, 500), 1516);
  EXPECT_EQ(ScrollRange(81920, 1920), 80016);
}

TEST(ViewLayout, AnchoredZoomKeepsThePointUnderTheCursor) {
  // 1000 pixels at 100 % in a 400-pixel viewport, scrolled to 300, cursor at 100: content 400,
  // view pixel 392, at 200 % view pixel 784 -> scroll 8 + 784 - 100 = 692.
  EXPECT_EQ(AnchoredScroll(1000, 2000, 400, 300, 100), 692);
  // Back again returns to the start.
  EXPECT_EQ(AnchoredScroll(2000, 1000, 400, 692, 100), 300);
  // Near the edges the scroll is clamped to the new range.
  EXPECT_EQ(AnchoredScroll(1000, 2000, 400, 0, 0), 0);
  EXPECT_EQ(AnchoredScroll(1000, 2000, 400, 616, 399), ScrollRange(2000, 400));
  // A view that fits needs no scrolling.
  EXPECT_EQ(AnchoredScroll(1000, 300, 400, 500, 200), 0);
}

}  // namespace
}  // namespace ondrel
