#pragma once
// The system's "A" calls speak the ANSI code page of the desktop (936, GBK, on
// a Simplified Chinese one); everything above the backend speaks UTF-8 and the
// system's "W" calls UTF-16. Texts cross between them here.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace usblink::win32 {

// A sequence the code page has no character for becomes its default
// character (U+FFFD for UTF-8), so the result is always valid.
[[nodiscard]] std::wstring WideFromCodePage(unsigned codePage, std::string_view text);
[[nodiscard]] std::string CodePageFromWide(unsigned codePage, std::wstring_view wide);

[[nodiscard]] std::string Utf8FromAnsi(std::string_view ansi);
// For the system's wide calls: a wide call given the UTF-16 of a name gets
// what its "A" twin would have decoded from the name's ANSI bytes.
[[nodiscard]] std::wstring WideFromUtf8(std::string_view utf8);

// Stores the UTF-8 of an ANSI text and a NUL in the buffer and returns the
// bytes stored without the NUL; 0, and an empty text, when they do not fit.
std::uint32_t StoreAsUtf8(std::string_view ansi, std::span<char> buffer);

}  // namespace usblink::win32
