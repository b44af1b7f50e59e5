#pragma once
// What sysfs tells about the hidraw nodes without opening any of them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/HidrawRoots.h"

namespace usblink::linux_hid {

// The node names ("hidraw0", "hidraw1", ...) under `sysfsRoot`, sorted by
// number so the walk order does not depend on the directory's order. None
// when the directory is missing (a kernel without hidraw).
std::vector<std::string> ListHidrawNodes(const std::filesystem::path& sysfsRoot);

struct HidIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  friend bool operator==(const HidIds&, const HidIds&) = default;
};

// The ids from the HID_ID line of the node's device/uevent
// ("HID_ID=0003:000004FC:00000C77").
std::optional<HidIds> ReadHidIds(const std::filesystem::path& sysfsRoot, const std::string& node);

// The device nodes (under roots.dev) that sysfs lists with the calculator's ids.
std::vector<std::filesystem::path> CalculatorNodes(const HidrawRoots& roots);

// The USB device's bcdDevice above the node's HID device, found at most two
// levels up (the USB interface, then the device). Nodes on other buses (uhid,
// Bluetooth, I2C) have none.
std::optional<std::uint16_t> ReadUsbVersionNumber(const std::filesystem::path& sysfsRoot,
                                                  const std::string& node);

}  // namespace usblink::linux_hid
