#pragma once
// Owners of the window's handles: each is given back to the system once.

#include <memory>
#include <type_traits>

#include "app/win32/WindowsGui.h"

namespace usblink::app::win32 {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

}  // namespace usblink::app::win32
