#pragma once
// The one calculator a command is for, named by its serial number or its
// device path, when several may be plugged in.

#include <optional>
#include <string>
#include <string_view>

namespace usblink {

struct DeviceSelector {
  enum class By { SerialNumber, Path };

  // A text with a path separator ('/' or '\') names a device path, any other
  // a serial number: serial numbers hold neither.
  static DeviceSelector FromText(std::string text);

  // Paths compare without regard to case, as Windows' do; serial numbers exactly.
  [[nodiscard]] bool MatchesPath(std::string_view path) const;
  [[nodiscard]] bool MatchesSerialNumber(const std::optional<std::string>& serialNumber) const;

  By by = By::SerialNumber;
  std::string text;
  friend bool operator==(const DeviceSelector&, const DeviceSelector&) = default;
};

}  // namespace usblink
