// The fonts handed to the controls: face, em size at the screen's dpi, weight
// and the GB2312 character set of the layout.

#include "app/win32/ControlFonts.h"

#include <gtest/gtest.h>

#include <string>

#include "app/win32/Utf16Text.h"

namespace usblink::app::win32 {
namespace {

LOGFONTW Describe(HFONT font) {
  LOGFONTW description{};
  EXPECT_EQ(GetObjectW(font, sizeof description, &description), int{sizeof description});
  return description;
}

TEST(ControlFontsTest, EveryControlGetsItsFaceSizeWeightAndGb2312) {
  for (const int dpi : {96, 144}) {
    const TwipsScale scale(dpi, dpi);
    const ControlFonts fonts(scale);
    for (const auto& layout : kControls) {
      SCOPED_TRACE(std::string(layout.caption) + " at " + std::to_string(dpi) + " dpi");
      const LOGFONTW font = Describe(fonts.For(layout.font));
      EXPECT_EQ(std::wstring(font.lfFaceName), Utf16(layout.font.face));
      EXPECT_EQ(font.lfHeight, -scale.FontHeight(layout.font.points));
      EXPECT_EQ(font.lfWeight, layout.font.bold ? FW_BOLD : FW_NORMAL);
      EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
    }
  }
}

TEST(ControlFontsTest, ControlsOfOneFontShareIt) {
  const ControlFonts fonts(TwipsScale(96, 96));
  EXPECT_EQ(fonts.For(LayoutOf(Control::Label1).font), fonts.For(LayoutOf(Control::Label2).font));
  EXPECT_EQ(fonts.For(LayoutOf(Control::lstResults).font), fonts.For(kWindowFont));
  EXPECT_NE(fonts.For(LayoutOf(Control::contion).font), fonts.For(kWindowFont));
  EXPECT_NE(fonts.For(LayoutOf(Control::Label3).font), fonts.For(LayoutOf(Control::Label1).font));
}

}  // namespace
}  // namespace usblink::app::win32
