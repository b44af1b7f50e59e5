// The parts of the Win32 window that need no display: texts to UTF-16 and
// back, the dialog's filter list, the fonts handed to the controls (face, em
// size at the screen's dpi, weight and the GB2312 character set of the
// layout), and the window's wait on a real Win32 message queue, where a
// message-only window takes tmrDelay's ticks.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "app/UsbWindow.h"
#include "app/WindowLayout.h"
#include "app/WindowPacer.h"
#include "app/win32/ControlFonts.h"
#include "app/win32/EventLoopAndDialogs.h"
#include "platform/os/win32/CodePageText.h"

namespace usblink::app::win32 {
namespace {

using namespace std::string_literals;
using usblink::win32::CodePageFromWide;
using usblink::win32::WideFromUtf8;

TEST(WindowTextTest, CjkAndFullWidthCharactersSurviveTheRoundTrip) {
  EXPECT_EQ(WideFromUtf8("开始"), L"\u5f00\u59cb");
  EXPECT_EQ(WideFromUtf8("Please set VID and PID ！"), L"Please set VID and PID \uff01");
  const std::string log = "Downloading file：";
  EXPECT_EQ(CodePageFromWide(CP_UTF8, WideFromUtf8(log)), log);
  EXPECT_EQ(WideFromUtf8(""), L"");
  EXPECT_EQ(CodePageFromWide(CP_UTF8, L""), "");
}

TEST(WindowTextTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  EXPECT_EQ(WideFromUtf8("a\xff"
                         "b"),
            L"a\ufffdb");
}

TEST(OpenFileFilterTest, DescriptionAndPatternsEachEndInNulAndTheListInOneMore) {
  EXPECT_EQ(OpenFileFilter(kDialogFilter), "File(*.UD)\0*.UD\0\0"s);
  constexpr std::array<std::string_view, 2> patterns{"*.b", "*.c"};
  EXPECT_EQ(OpenFileFilter({"B", patterns}), "B\0*.b;*.c\0\0"s);
}

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
      EXPECT_EQ(std::wstring(font.lfFaceName), WideFromUtf8(layout.font.face));
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

constexpr UINT kCloseWindow = WM_APP;

class Win32EventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Win32EventLoopTest";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&events));
    events.Bind(window);
  }
  void TearDown() override {
    DestroyWindow(window);
    UnregisterClassW(L"Win32EventLoopTest", GetModuleHandleW(nullptr));
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    auto* loop = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (loop != nullptr && message == WM_TIMER && loop->OnTimer(wParam)) return 0;
    if (loop != nullptr && message == kCloseWindow) {
      loop->MarkClosed();
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  Win32EventLoop events;
  HWND window = nullptr;
};

TEST_F(Win32EventLoopTest, AWaitEndsWithTheTickOfTmrDelay) {
  for (int wait = 0; wait < 3; ++wait) {
    events.Pacer().WaitForTick(0);
    EXPECT_FALSE(events.Closed());
  }
}

TEST_F(Win32EventLoopTest, ClosingDuringAWaitEndsItAndThenTheOuterLoop) {
  PostMessageW(window, kCloseWindow, 0, 0);
  EXPECT_THROW(events.Pacer().WaitForTick(0), ProcessEnded);
  EXPECT_TRUE(events.Closed());
  // The quit message that ended the wait was handed back to the outer loop.
  EXPECT_EQ(events.Run(), 0);
}

TEST_F(Win32EventLoopTest, AQuitMessageDuringAWaitEndsItWithItsStatus) {
  PostQuitMessage(3);
  EXPECT_THROW(events.Pacer().WaitForTick(0), ProcessEnded);
  EXPECT_EQ(events.Run(), 3);
}

}  // namespace
}  // namespace usblink::app::win32
