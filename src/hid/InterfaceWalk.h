#pragma once
// The present HID interfaces as typed values, and the one a command is for,
// for whatever lists or picks devices without discovery's logged sequence of
// calls.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid/HidApi.h"

namespace usblink {

// The ids an interface's attributes give.
struct InterfaceIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  friend bool operator==(const InterfaceIds&, const InterfaceIds&) = default;
};

// One present HID interface: what the walk could read of it.
struct HidInterface {
  std::uint32_t index = 0;  // its place in the system's enumeration
  std::string path;         // empty when the system gave none
  // None when the interface could not be opened or queried; `error` is the
  // last-error code that says why.
  std::optional<InterfaceIds> ids;
  std::uint32_t error = WinError::Success;
  // The device's strings, where the platform gives them; never empty.
  std::optional<std::string> serialNumber;
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
  friend bool operator==(const HidInterface&, const HidInterface&) = default;
};

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

class InterfaceWalk {
 public:
  explicit InterfaceWalk(HidApi& api) : api_(api) {}

  // Every present HID interface, in enumeration order. Each is opened without
  // access rights, which is enough for the attributes also of devices the
  // system holds, and closed again.
  [[nodiscard]] std::vector<HidInterface> List();
  // The present interfaces with these ids, in enumeration order: the
  // calculators to choose from, numbered by their place in the list.
  [[nodiscard]] std::vector<HidInterface> ListWithIds(InterfaceIds ids);

  // The device path of an enumerated interface: the size query, then the fetch
  // into a record whose size field says 5. Empty when the fetch fails.
  [[nodiscard]] std::string DevicePath(Handle deviceInfoSet,
                                       const SpDeviceInterfaceData& interfaceData);

 private:
  // Fills in the ids of the interface at its path, or the code that kept them
  // unread, and whichever of its strings the platform gives.
  void ReadDevice(HidInterface& entry);

  HidApi& api_;
};

}  // namespace usblink
