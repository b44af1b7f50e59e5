#include "platform/os/win32/CodePageText.h"

#include <algorithm>

#include "platform/hid/win32/WindowsHid.h"

namespace usblink::win32 {

std::wstring WideFromCodePage(unsigned codePage, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

std::string CodePageFromWide(unsigned codePage, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  std::string text(static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, wide.data(), size,
                                                                nullptr, 0, nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), static_cast<int>(text.size()),
                      nullptr, nullptr);
  return text;
}

std::string Utf8FromAnsi(std::string_view ansi) {
  return CodePageFromWide(CP_UTF8, WideFromCodePage(CP_ACP, ansi));
}

std::wstring WideFromUtf8(std::string_view utf8) { return WideFromCodePage(CP_UTF8, utf8); }

std::uint32_t StoreAsUtf8(std::string_view ansi, std::span<char> buffer) {
  if (buffer.empty()) return 0;
  const std::string utf8 = Utf8FromAnsi(ansi);
  if (utf8.size() >= buffer.size()) {
    buffer.front() = '\0';
    return 0;
  }
  std::ranges::copy(utf8, buffer.begin());
  buffer[utf8.size()] = '\0';
  return static_cast<std::uint32_t>(utf8.size());
}

}  // namespace usblink::win32
