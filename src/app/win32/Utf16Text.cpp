#include "app/win32/Utf16Text.h"

#include "app/win32/WindowsGui.h"
#include "platform/os/win32/CodePageText.h"

namespace usblink::app::win32 {

std::wstring Utf16(std::string_view utf8) { return usblink::win32::WideFromUtf8(utf8); }

std::string Utf8(std::wstring_view utf16) {
  return usblink::win32::CodePageFromWide(CP_UTF8, utf16);
}

}  // namespace usblink::app::win32
