#pragma once
// The class of the window "USB Link": its procedure, the project's icon, the
// dialog colour behind the controls. Registered for as long as it lives.

#include "app/win32/WindowsGui.h"

namespace usblink::app::win32 {

// Throws the thread's last error as a std::system_error naming `call`.
[[noreturn]] void ThrowLastError(const char* call);

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

}  // namespace usblink::app::win32
