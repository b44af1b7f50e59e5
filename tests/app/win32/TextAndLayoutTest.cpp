// The pure conversions of the Win32 window: texts to UTF-16 and back, the
// dialog's filter list, twips and points to pixels.

#include <gtest/gtest.h>

#include <string>

#include "app/WindowLayout.h"
#include "app/win32/OpenFileFilter.h"
#include "app/win32/TwipsScale.h"
#include "app/win32/Utf16Text.h"

namespace usblink::app::win32 {
namespace {

using namespace std::string_literals;

TEST(Utf16TextTest, CjkAndFullWidthCharactersSurviveTheRoundTrip) {
  EXPECT_EQ(Utf16("开始"), L"\u5f00\u59cb");
  EXPECT_EQ(Utf16("Please set VID and PID ！"), L"Please set VID and PID \uff01");
  const std::string log = "Downloading file：";
  EXPECT_EQ(Utf8(Utf16(log)), log);
  EXPECT_EQ(Utf16(""), L"");
  EXPECT_EQ(Utf8(L""), "");
}

TEST(Utf16TextTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  EXPECT_EQ(Utf16("a\xff"
                  "b"),
            L"a\ufffdb");
}

TEST(OpenFileFilterTest, DescriptionAndPatternsEachEndInNulAndTheListInOneMore) {
  EXPECT_EQ(OpenFileFilter("File(*.UD)|*.UD"), "File(*.UD)\0*.UD\0\0"s);
  EXPECT_EQ(OpenFileFilter("A|*.a|B|*.b;*.c"), "A\0*.a\0B\0*.b;*.c\0\0"s);
}

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
}

TEST(TwipsScaleTest, FontsOfTheLayoutInPixelsOfTheirEm) {
  const TwipsScale at96(96, 96);
  EXPECT_EQ(at96.FontHeight(kWindowFont.points), 14);
  EXPECT_EQ(at96.FontHeight(12), 16);
  EXPECT_EQ(at96.FontHeight(14.25), 19);
  EXPECT_EQ(TwipsScale(144, 144).FontHeight(10.5), 21);
}

}  // namespace
}  // namespace usblink::app::win32
