#pragma once
// What the window needs of Win32 besides its controls: the wait between polls
// and the system's modal dialogs.

#include <optional>
#include <string>
#include <string_view>

#include "app/UsbWindow.h"
#include "app/WindowPacer.h"
#include "platform/os/win32/LeanWindows.h"

namespace usblink::app::win32 {

// The window's wait on Win32: tmrDelay is a SetTimer timer of the window, and
// events are handled by blocking in GetMessage, so a wait costs no CPU. Windows
// (and Wine) raise the asked interval to their 10 ms minimum.
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

// One OK button, no icon.
void ShowMessage(HWND owner, std::string_view text, std::string_view title);
// Yes or No, No the default.
[[nodiscard]] bool AskYesNo(HWND owner, std::string_view question, std::string_view title);

// A file dialog's filter as GetOpenFileName takes it: the description and the
// patterns (";" between them), each ended by a NUL, the list by one more.
[[nodiscard]] std::string OpenFileFilter(const FileFilter& filter);

// The file-open dialog offering the files `filter` picks, opened on `earlier`
// (its folder, its name in the name box). Names are in the narrow encoding
// the C library opens files by.
[[nodiscard]] std::optional<std::string> ShowOpenFile(HWND owner, const FileFilter& filter,
                                                      std::string_view earlier);

}  // namespace usblink::app::win32
