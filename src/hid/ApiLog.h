#pragma once
// The log discovery writes: the port it goes to, the result block written
// after every platform call of discovery and the capability report, and the
// texts of numbers and ids it is made of.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/hid/HidApi.h"

namespace usblink {

class LogPort {
 public:
  virtual ~LogPort() = default;
  virtual void AppendLine(std::string_view line) = 0;
  virtual void ClearLines() = 0;
  // Selects the last line and scrolls it into view.
  virtual void SelectLastLine() = 0;
};

// The log plus the link status label that discovery sets.
class LinkWindowPort : public LogPort {
 public:
  virtual void SetLinkStatus(std::string_view caption) = 0;
};

class ApiLog {
 public:
  ApiLog(HidApi& api, LogPort& log) : api_(api), log_(log) {}

  // A blank line, the caption and "  Result = " with the text of the last
  // platform call's error code; then selects the last line.
  void LogApiResult(std::string_view caption);

  // The system text of a Windows error code without its line break; empty
  // when the system has none.
  [[nodiscard]] std::string GetSystemErrorText(std::uint32_t code);

  [[nodiscard]] LogPort& Log() { return log_; }

 private:
  HidApi& api_;
  LogPort& log_;
};

// Numbers as the log writes them: upper-case hex without prefix or leading
// zeros, plain decimal.
std::string HexText(std::uint64_t value);
// A handle's low 32 bits, so an invalid handle reads FFFFFFFF.
std::string HandleText(std::uint64_t handle);

// Each byte as two upper-case hex digits and a blank, the last one included.
std::string FormatByteDump(std::span<const std::uint8_t> bytes);

// A GUID as discovery logs it: Data1 to Data3 in hex without leading zeros,
// then the eight Data4 bytes as a byte dump.
[[nodiscard]] std::string GuidText(const Guid& guid);

// The typed vendor and product ids as discovery compares them: "&H" and one to
// four hex digits, read as a 16-bit pattern.
// "&H" followed by the id field without its leading and trailing blanks.
[[nodiscard]] std::string IdTextFromField(std::string_view field);

// The 16-bit pattern of an id text; none when no one to four hex digits follow
// the "&H", so such a text matches no device.
[[nodiscard]] std::optional<std::uint16_t> IdTextValue(std::string_view idText);

}  // namespace usblink
