#pragma once
// The window "USB Link" on plain Win32: draws every control where the layout
// puts it, renders the model's control states and forwards the user's clicks
// and edits to the model; and the run that wires it to the model.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "app/UsbWindow.h"
#include "app/WindowLayout.h"
#include "app/win32/ControlFonts.h"
#include "app/win32/EventLoopAndDialogs.h"
#include "platform/hid/HidApi.h"
#include "platform/os/win32/LeanWindows.h"

namespace usblink::app::win32 {

// The window is given back to the system once; its controls go with it.
struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// The class of the window "USB Link": its procedure, the project's icon, the
// dialog colour behind the controls. Registered for as long as it lives.
class WindowClass {
 public:
  WindowClass(HINSTANCE instance, WNDPROC procedure);
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  ~WindowClass();
  [[nodiscard]] const wchar_t* Name() const;

 private:
  HINSTANCE instance_;
};

class UsbLinkWindow final : public WindowView {
 public:
  // `caption`: the title bar's.
  UsbLinkWindow(HINSTANCE instance, Win32EventLoop& events,
                std::string_view caption = kWindowCaption);
  UsbLinkWindow(const UsbLinkWindow&) = delete;
  UsbLinkWindow& operator=(const UsbLinkWindow&) = delete;
  ~UsbLinkWindow() override = default;

  // Hands the user's clicks and edits to the model, which has drawn its
  // states here since it was made.
  void Attach(UsbWindow& model);
  // Shows the window with the first control of the focus order focused.
  void Show(int how);
  [[nodiscard]] HWND Handle() const { return window_.get(); }
  [[nodiscard]] HWND ControlHandle(Control control) const;

  // WindowView
  void LogAppended(std::string_view line) override;
  void LogCleared() override;
  void LogLineSelected(std::size_t index) override;
  void ControlChanged(Control control, const ControlState& state) override;
  // Label5's caption is all the window shows of progress.
  void ProgressReported(const TransferProgress&) override {}
  void ShowMessageBox(std::string_view text, std::string_view title) override;
  std::optional<std::string> ShowOpenFileDialog(const FileFilter& filter,
                                                std::string_view earlier) override;
  bool ConfirmClose(std::string_view question) override;
  void EndProcess() override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Create(const ControlLayout& layout);
  void OrderForTab();
  void Command(Control control, WORD notification);
  void FitToCaption(Control control);
  void HoldLogRedraw();
  void RedrawLog();
  [[nodiscard]] HWND Log() const { return ControlHandle(Control::lstResults); }

  Win32EventLoop& events_;
  TwipsScale scale_;
  ControlFonts fonts_;
  TextMeasure measure_;
  HINSTANCE instance_;
  UsbWindow* model_ = nullptr;
  bool logRedrawHeld_ = false;
  int logExtent_ = 0;       // the widest log line, for the horizontal scroll bar
  HWND focused_ = nullptr;  // the control that had focus before the window was deactivated
  WindowClass class_;
  // The controls are the window's children and go with it.
  WindowHandle window_;
  std::array<HWND, kControlCount> controls_{};
};

// One window "USB Link" on a HID backend: its wait, its view, its model and
// the log of the run on disk, wired together and shown until the process
// ends. `show` as WinMain got it. Returns the exit status: kExitDeviceError
// when a device failure ended the window.
int RunWindow(HidApi& api, HINSTANCE instance, int show, AccessHintSource accessHint = {},
              std::string_view caption = kWindowCaption);

}  // namespace usblink::app::win32
