#pragma once
// The window "USB Link" on plain Win32: draws every control where the layout
// puts it, renders the model's control states and forwards the user's clicks
// and edits to the model.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/TwipsScale.h"
#include "app/UsbWindow.h"
#include "app/WindowView.h"
#include "app/win32/ControlFonts.h"
#include "app/win32/GdiHandles.h"
#include "app/win32/ModalDialogs.h"
#include "app/win32/TextMeasure.h"
#include "app/win32/Win32EventLoop.h"
#include "app/win32/WindowClass.h"

namespace usblink::app::win32 {

class UsbLinkWindow final : public WindowView {
 public:
  UsbLinkWindow(HINSTANCE instance, Win32EventLoop& events);
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

}  // namespace usblink::app::win32
