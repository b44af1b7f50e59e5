#include "hid/ApiLog.h"

#include <array>

#include "hid/NumberText.h"

namespace usblink {

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
  const std::uint32_t stored = api_.FormatMessageA(
      kFormatMessageFromSystem, code, 0, std::span(buffer).first(kBufferSize));
  // The stored count can never exceed what the buffer was offered.
  if (stored <= 2 || stored > kBufferSize) return {};
  return std::string(buffer.data(), stored - 2);
}

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

}  // namespace usblink
