#include "app/win32/Win32EventLoop.h"

namespace usblink::app::win32 {

namespace {

constexpr UINT_PTR kTmrDelay = 1;

}  // namespace

bool Win32EventLoop::OnTimer(UINT_PTR timer) {
  if (timer != kTmrDelay) return false;
  pacer_.OnTimerTick();
  return true;
}

void Win32EventLoop::MarkClosed() {
  if (closed_) return;
  closed_ = true;
  DisarmTimer();
  PostQuitMessage(exitStatus_);
}

int Win32EventLoop::Run() {
  while (DispatchOne()) {
  }
  return exitStatus_;
}

void Win32EventLoop::ArmTimer(std::chrono::milliseconds interval) {
  SetTimer(window_, kTmrDelay, static_cast<UINT>(interval.count()), nullptr);
}

void Win32EventLoop::DisarmTimer() { KillTimer(window_, kTmrDelay); }

void Win32EventLoop::DispatchEvents() {
  // The quit message belongs to the outer loop of Run(): hand it back.
  if (!DispatchOne()) PostQuitMessage(exitStatus_);
}

bool Win32EventLoop::DispatchOne() {
  MSG message{};
  if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
    closed_ = true;
    exitStatus_ = static_cast<int>(message.wParam);
    return false;
  }
  // Tab moves between the controls as in a dialog.
  if (!IsDialogMessageW(window_, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

}  // namespace usblink::app::win32
