#include "hid/IdText.h"

#include <charconv>

namespace usblink {

namespace {
constexpr std::string_view kHexPrefix = "&H";
constexpr std::size_t kMaxHexDigits = 4;
}  // namespace

std::string IdTextFromField(std::string_view field) {
  const auto first = field.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string(kHexPrefix);
  const auto last = field.find_last_not_of(' ');
  return std::string(kHexPrefix) + std::string(field.substr(first, last - first + 1));
}

std::optional<std::uint16_t> IdTextValue(std::string_view idText) {
  if (!idText.starts_with(kHexPrefix)) return std::nullopt;
  const std::string_view digits = idText.substr(kHexPrefix.size());
  if (digits.empty() || digits.size() > kMaxHexDigits) return std::nullopt;
  std::uint16_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace usblink
