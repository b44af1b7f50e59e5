// The window's wait on a real Win32 message queue: a message-only window
// takes tmrDelay's ticks, so no display is needed.

#include "app/win32/Win32EventLoop.h"

#include <gtest/gtest.h>

#include "app/ProcessEnded.h"

namespace usblink::app::win32 {
namespace {

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
    events.Pacer().WaitForTick();
    EXPECT_FALSE(events.Closed());
  }
}

TEST_F(Win32EventLoopTest, ClosingDuringAWaitEndsItAndThenTheOuterLoop) {
  PostMessageW(window, kCloseWindow, 0, 0);
  EXPECT_THROW(events.Pacer().WaitForTick(), ProcessEnded);
  EXPECT_TRUE(events.Closed());
  // The quit message that ended the wait was handed back to the outer loop.
  EXPECT_EQ(events.Run(), 0);
}

TEST_F(Win32EventLoopTest, AQuitMessageDuringAWaitEndsItWithItsStatus) {
  PostQuitMessage(3);
  EXPECT_THROW(events.Pacer().WaitForTick(), ProcessEnded);
  EXPECT_EQ(events.Run(), 3);
}

}  // namespace
}  // namespace usblink::app::win32
