#include "hid/ApiLog.h"

#include <array>
#include <cctype>
#include <charconv>

namespace usblink {

namespace {
constexpr std::string_view kHexPrefix = "&H";
constexpr std::size_t kMaxHexDigits = 4;
}  // namespace

void ApiLog::LogApiResult(std::string_view caption) {
  log_.AppendLine("");
  const std::string text = GetSystemErrorText(api_.LastPlatformError());
  log_.AppendLine(caption);
  log_.AppendLine("  Result = " + text);
  log_.SelectLastLine();
}

std::string ApiLog::GetSystemErrorText(std::uint32_t code) {
  constexpr std::size_t kBufferSize = 128;
  std::array<char, kBufferSize + 1> buffer{};
  const std::uint32_t stored =
      api_.FormatMessageA(kFormatMessageFromSystem, code, 0, std::span(buffer).first(kBufferSize));
  // The stored count can never exceed what the buffer was offered.
  if (stored <= 2 || stored > kBufferSize) return {};
  return std::string(buffer.data(), stored - 2);
}

std::string HexText(std::uint64_t value) {
  char digits[16];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value, 16);
  std::string text(digits, result.ptr);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string HandleText(std::uint64_t handle) { return HexText(handle & 0xFFFFFFFFu); }

std::string FormatByteDump(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    if (byte < 16) text += '0';
    text += HexText(byte);
    text += ' ';
  }
  return text;
}

std::string GuidText(const Guid& guid) {
  return HexText(guid.Data1) + "-" + HexText(guid.Data2) + "-" + HexText(guid.Data3) + "-" +
         FormatByteDump(guid.Data4);
}

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
