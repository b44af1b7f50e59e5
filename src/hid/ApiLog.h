#pragma once
// The result block written to the log after every platform call of discovery
// and the capability report, and the texts it is made of.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "hid/LogPort.h"
#include "platform/hid/HidApi.h"

namespace usblink {

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

// Each byte as two upper-case hex digits and a blank, the last one included.
std::string FormatByteDump(std::span<const std::uint8_t> bytes);

}  // namespace usblink
