#pragma once
// The device list for whatever lists or picks calculators without discovery's
// log: the present interfaces with given ids, and the one a command is for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid/HidApi.h"

namespace usblink {

// The one calculator a command is for, named by its serial number or its
// device path, when several may be plugged in.
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

// Of `interfaces`, those with these ids, in their order.
[[nodiscard]] std::vector<HidInterface> InterfacesWithIds(std::vector<HidInterface> interfaces,
                                                          InterfaceIds ids);
// The present interfaces with these ids, in enumeration order: the
// calculators to choose from, numbered by their place in the list.
[[nodiscard]] std::vector<HidInterface> PresentInterfacesWithIds(HidApi& api, InterfaceIds ids);

// What an open of the interface at `path` for reading and writing, as
// discovery's, fails with now; Success when it opens (it is closed again).
[[nodiscard]] std::uint32_t OpenRefusal(HidApi& api, const std::string& path);

}  // namespace usblink
