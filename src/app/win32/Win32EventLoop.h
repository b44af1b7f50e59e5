#pragma once
// The window's wait on Win32: tmrDelay is a SetTimer timer of the window, and
// events are handled by blocking in GetMessage, so a wait costs no CPU. Windows
// (and Wine) raise the asked interval to their 10 ms minimum.

#include "app/WindowPacer.h"
#include "app/win32/WindowsGui.h"

namespace usblink::app::win32 {

class Win32EventLoop final : public EventLoopPort {
 public:
  Win32EventLoop() = default;
  Win32EventLoop(const Win32EventLoop&) = delete;
  Win32EventLoop& operator=(const Win32EventLoop&) = delete;

  [[nodiscard]] usblink::Pacer& Pacer() { return pacer_; }
  // The window that owns tmrDelay and whose controls Tab moves between.
  void Bind(HWND window) { window_ = window; }
  // A WM_TIMER of the bound window; true when it was the tick of tmrDelay.
  bool OnTimer(UINT_PTR timer);
  // The window is gone: a running wait ends, its command unwinds, and the
  // loop of Run() returns.
  void MarkClosed();
  // Handles events until the window is gone; returns the exit status.
  int Run();

  void ArmTimer(std::chrono::milliseconds interval) override;
  void DisarmTimer() override;
  void DispatchEvents() override;
  [[nodiscard]] bool Closed() const override { return closed_; }

 private:
  // Waits for one message and handles it; false once the quit message came.
  bool DispatchOne();

  HWND window_ = nullptr;
  WindowPacer pacer_{*this};
  bool closed_ = false;
  int exitStatus_ = 0;
};

}  // namespace usblink::app::win32
