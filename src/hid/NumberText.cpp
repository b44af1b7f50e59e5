#include "hid/NumberText.h"

#include <charconv>
#include <cctype>

namespace usblink {

std::string HexText(std::uint64_t value) {
  char digits[16];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value, 16);
  std::string text(digits, result.ptr);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string HandleText(std::uint64_t handle) { return HexText(handle & 0xFFFFFFFFu); }

}  // namespace usblink
