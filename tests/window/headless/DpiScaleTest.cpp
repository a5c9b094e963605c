// The one rule every driver scales the 96-DPI layout by, and the smooth resampling of icons.
#include <gtest/gtest.h>

#include "window/DpiScale.h"

using namespace hi;

namespace {

const int kDpis[] = {96, 108, 120, 144, 168, 192};

TEST(DpiScale, NeighbouringEdgesStayTogetherAndSizesFollowTheFactor) {
  for (int dpi : kDpis) {
    const DpiScale s(dpi);
    const double f = dpi / 96.0;
    SCOPED_TRACE(dpi);
    // A row of controls that touch at 96 DPI, of widths that round differently.
    int left = 5;
    Rect previous;
    for (int width : {85, 1, 320, 33, 7, 600, 15}) {
      const Rect r = s.px(Rect{left, 10, width, 25});
      if (left != 5) {
        EXPECT_EQ(r.left, previous.right());
      }
      EXPECT_NEAR(r.left, left * f, 0.5);
      EXPECT_NEAR(r.width, width * f, 1);
      EXPECT_NEAR(r.height, 25 * f, 1);
      previous = r;
      left += width;
    }
    // Negative positions (a window left of the primary monitor) round the same way.
    EXPECT_NEAR(s.px(-200), -200 * f, 0.5);
    EXPECT_NEAR(s.px(-7), -7 * f, 0.5);
  }
  EXPECT_EQ(DpiScale(96).px(Rect{-3, 4, 610, 137}), (Rect{-3, 4, 610, 137}));
  EXPECT_EQ(DpiScale(0).dpi(), 96);  // an unknown density is 96
}

TEST(DpiScale, PixelsComeBackAsTheLayoutValuesTheyCameFrom) {
  for (int dpi : kDpis) {
    const DpiScale s(dpi);
    for (int v = -300; v <= 700; ++v) ASSERT_EQ(s.layout(s.px(v)), v) << dpi;
    // The client area of a window placed at 96-DPI size reads back as that size.
    EXPECT_EQ(s.layout(Rect{0, 0, s.px(610), s.px(137)}), (Rect{0, 0, 610, 137}));
    // A measured text extent, in layout units, holds the text again once scaled.
    for (int w = 0; w <= 400; ++w) {
      const Size cover = s.layoutCovering(Size{w, w});
      ASSERT_GE(s.px(cover.width), w) << dpi;
      ASSERT_LE(s.px(cover.width - 1), w) << "the smallest that covers, at " << dpi;
    }
  }
}

TEST(Resampled, AveragesByAreaAndKeepsTransparencyOutOfTheColours) {
  Picture p{2, 2, {0xFFFF0000, 0xFF0000FF, 0x00000000, 0x00000000}};
  const Picture one = resampled(p, 1, 1);
  ASSERT_EQ(one.width, 1);
  // Half covered, red and blue alike; the transparent half darkens nothing.
  EXPECT_EQ(one.pixels[0], 0x80800080u);

  Picture big{4, 1, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}};
  const Picture three = resampled(big, 3, 1);
  // The middle pixel covers as much black as white: grey between.
  EXPECT_EQ(three.pixels[0], 0xFF000000u);
  EXPECT_EQ(three.pixels[1] >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>(three.pixels[1] & 0xFF), 128, 1);
  EXPECT_EQ(three.pixels[2], 0xFFFFFFFFu);

  // Enlarged: every target pixel takes the source pixel it lies in.
  const Picture up = resampled(Picture{1, 1, {0xFF123456}}, 3, 3);
  for (std::uint32_t px : up.pixels) EXPECT_EQ(px, 0xFF123456u);
  EXPECT_TRUE(resampled(Picture{}, 3, 3).empty());
  EXPECT_EQ(resampled(big, 4, 1).pixels, big.pixels);
}

}  // namespace
