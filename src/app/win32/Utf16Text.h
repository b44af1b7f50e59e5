#pragma once
// The model's texts are UTF-8; the window's controls take UTF-16 through the
// W functions, so "开始" and the full-width "：" "！" reach the screen intact.

#include <string>
#include <string_view>

namespace usblink::app::win32 {

// Bytes that are not UTF-8 become U+FFFD.
[[nodiscard]] std::wstring Utf16(std::string_view utf8);
[[nodiscard]] std::string Utf8(std::wstring_view utf16);

}  // namespace usblink::app::win32
