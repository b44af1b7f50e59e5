#pragma once
// Windows' English system message texts, for the backends that answer as
// Windows does without having Windows' message tables.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace usblink {

// The system text of a Windows error code, without its closing line break.
std::optional<std::string_view> WindowsSystemText(std::uint32_t code);

// FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM) on that table: stores the text and
// "\r\n" plus a NUL, returns the characters stored without the NUL; 0 for an
// unknown code or a buffer too small for all of it.
std::uint32_t FormatWindowsSystemMessage(std::uint32_t code, std::span<char> buffer);

}  // namespace usblink
