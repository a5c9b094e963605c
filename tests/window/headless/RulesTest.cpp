// The rules the window elements apply whatever the toolkit: docking, the picture rectangle,
// list lines, the frame of a border style, colours, the look and focus of a control.
#include <gtest/gtest.h>

#include "tests/window/WindowTestSupport.h"
#include "window/Colors.h"
#include "window/Docking.h"
#include "window/FrameMetrics.h"
#include "window/Win.h"
#include "window/WinList.h"
#include "window/hiImage.h"

using namespace hi;

TEST(Docking, TopAndBottomFirstThenSidesThenClient) {
  std::vector<DockItem> items = {
      {alLeft, true, (Rect{0, 0, 50, 10})}, {alTop, true, (Rect{7, 7, 30, 20})},
      {alClient, true, (Rect{0, 0, 1, 1})}, {alBottom, true, (Rect{0, 0, 30, 15})},
      {alTop, false, (Rect{3, 3, 30, 40})}, {alRight, true, (Rect{0, 0, 60, 10})},
      {alTop, true, (Rect{0, 0, 30, 25})},
  };
  dockLayout((Rect{0, 0, 610, 137}), 0, items);
  EXPECT_EQ(items[1].bounds, (Rect{0, 0, 610, 20}));
  EXPECT_EQ(items[6].bounds, (Rect{0, 20, 610, 25}));  // under the first top item
  EXPECT_EQ(items[3].bounds, (Rect{0, 122, 610, 15}));
  EXPECT_EQ(items[4].bounds, (Rect{3, 3, 30, 40}));  // hidden: untouched
  EXPECT_EQ(items[0].bounds, (Rect{0, 45, 50, 77}));
  EXPECT_EQ(items[5].bounds, (Rect{550, 45, 60, 77}));
  EXPECT_EQ(items[2].bounds, (Rect{50, 45, 500, 77}));
}

TEST(Docking, MarginsAndSizesThatWouldBeNegative) {
  std::vector<DockItem> items = {{alTop, true, (Rect{0, 0, 10, 8})}, {alClient, true, Rect{}}};
  dockLayout((Rect{0, 0, 100, 50}), 4, items);
  EXPECT_EQ(items[0].bounds, (Rect{4, 4, 92, 8}));
  EXPECT_EQ(items[1].bounds, (Rect{4, 16, 92, 30}));

  std::vector<DockItem> tight = {{alTop, true, (Rect{0, 0, 10, 30})}, {alClient, true, Rect{}}};
  dockLayout((Rect{0, 0, 20, 20}), 0, tight);
  EXPECT_EQ(tight[1].bounds.size(), (Size{20, 0}));
}

TEST(PictureRect, AspectKeptWithMarginsRoundedHalfToEven) {
  // The error mark: H = 14 < W x r = 15, left = round(0.5) = 0, the whole control.
  EXPECT_EQ(pictureRect(15, 14, 290, 290), (Rect{0, 0, 15, 14}));
  EXPECT_EQ(pictureRect(20, 10, 10, 10), (Rect{5, 0, 10, 10}));
  // round(1.5) = 2: the symmetric rectangle is a pixel narrower than exact.
  EXPECT_EQ(pictureRect(13, 10, 10, 10), (Rect{2, 0, 9, 10}));
  EXPECT_EQ(pictureRect(17, 10, 10, 10), (Rect{4, 0, 9, 10}));  // round(3.5) = 4
  EXPECT_EQ(pictureRect(10, 13, 10, 10), (Rect{0, 2, 10, 9}));
  EXPECT_EQ(pictureRect(10, 10, 20, 10), (Rect{0, 2, 10, 6}));  // round(2.5) = 2
}

TEST(ListText, StringsSplitAtCrLf) {
  EXPECT_EQ(splitLines(""), std::vector<std::string>{});
  EXPECT_EQ(splitLines("COM1\r\nCOM2"), (std::vector<std::string>{"COM1", "COM2"}));
  EXPECT_EQ(splitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
}


TEST(Frames, BorderStylesMapToTheirFrameBitsAndMargins) {
  const FrameMetrics fixed = frameMetrics(1);
  EXPECT_EQ(fixed.style, (FrameStyle{.caption = true, .minimizeBox = true}));
  EXPECT_EQ(616 - fixed.left - fixed.right, 610);
  EXPECT_EQ(162 - fixed.top - fixed.bottom, 137);
  EXPECT_FALSE(fixed.resizable());
  const FrameMetrics sunken = frameMetrics(9);
  EXPECT_TRUE(sunken.resizable());
  EXPECT_EQ(sunken.clientEdge, 2);
  EXPECT_EQ(sunken.left, 6);
  EXPECT_EQ(frameMetrics(0).top, 0);
  EXPECT_TRUE(frameMetrics(4).style.toolWindow);
  EXPECT_FALSE(borderStyleValid(10));
}

TEST(Colours, OnlyAHighByteOfExactly0xFFNamesASystemColour) {
  EXPECT_EQ(standardRgb(0x7F0000FF), 0x0000FFu);
  EXPECT_EQ(standardRgb(0xFF000016), standardSystemColor(22));
  EXPECT_EQ(standardSystemColor(200), standardSystemColor(15));
}

TEST(Focus, TabOrderAgainstTheKindsDefault) {
  EXPECT_EQ(focusModeFor(3, FocusMode::None), FocusMode::Tab);
  EXPECT_EQ(focusModeFor(0, FocusMode::Tab), FocusMode::Tab);
  EXPECT_EQ(focusModeFor(-1, FocusMode::Tab), FocusMode::Click);
  EXPECT_EQ(focusModeFor(-1, FocusMode::None), FocusMode::None);
}
