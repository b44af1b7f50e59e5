#include "app/WindowLayout.h"

#include <gtest/gtest.h>

namespace usblink::app {
namespace {

TEST(TwipsScaleTest, FifteenTwipsAPixelAt96Dpi) {
  const TwipsScale scale(96, 96);
  EXPECT_EQ(scale.Client(), (PixelRect{0, 0, 597, 426}));
  EXPECT_EQ(scale.Rect(LayoutOf(Control::lstResults)), (PixelRect{24, 168, 553, 242}));
  EXPECT_EQ(scale.Rect(LayoutOf(Control::contion)), (PixelRect{8, 24, 89, 33}));
}

TEST(TwipsScaleTest, LargerDpiScalesEdgesSoNeighboursStayFlush) {
  const TwipsScale scale(144, 120);
  EXPECT_EQ(scale.Client(), (PixelRect{0, 0, 896, 533}));
  // Left 1800 twips: 180 px; right 6495 twips: 649.5 px, rounded up.
  // Top 1320 twips: 110 px at 120 dpi; bottom 2415 twips: 201.25 px, rounded down.
  EXPECT_EQ(scale.Rect(LayoutOf(Control::Label6)), (PixelRect{180, 110, 470, 91}));
  EXPECT_EQ(scale.Rect(LayoutOf(Control::lstResults)), (PixelRect{36, 210, 830, 303}));
}

TEST(TwipsScaleTest, FontsOfTheLayoutInPixelsOfTheirEm) {
  const TwipsScale at96(96, 96);
  EXPECT_EQ(at96.FontHeight(kWindowFont.points), 14);
  EXPECT_EQ(at96.FontHeight(12), 16);
  EXPECT_EQ(at96.FontHeight(14.25), 19);
  EXPECT_EQ(TwipsScale(144, 144).FontHeight(10.5), 21);
}

}  // namespace
}  // namespace usblink::app
