#pragma once
// The typed vendor and product ids as discovery compares them: "&H" and one to
// four hex digits, read as a 16-bit pattern.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace usblink {

// "&H" followed by the id field without its leading and trailing blanks.
[[nodiscard]] std::string IdTextFromField(std::string_view field);

// The 16-bit pattern of an id text; none when no one to four hex digits follow
// the "&H", so such a text matches no device.
[[nodiscard]] std::optional<std::uint16_t> IdTextValue(std::string_view idText);

}  // namespace usblink
