#pragma once
// What a control shows, read back from the control itself.

#include <string>
#include <vector>

#include "app/win32/WindowsGui.h"

namespace usblink::testing {

inline std::wstring TextOf(HWND window) {
  std::wstring text(256, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 256)));
  return text;
}

inline std::vector<std::wstring> ListBoxLines(HWND list) {
  std::vector<std::wstring> lines;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
    std::wstring line(length + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    line.resize(length);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace usblink::testing
