#pragma once
// What sysfs tells about the hidraw nodes without opening any of them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace usblink::linux_hid {

// Where the hidraw nodes are listed and where they are opened. Tests point
// both at a directory of their own.
struct HidrawRoots {
  std::filesystem::path sysfs = "/sys/class/hidraw";
  std::filesystem::path dev = "/dev";
};

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

// The strings the kernel keeps of the node's device, each none where it has
// none (an empty value is none). The serial number is the HID_UNIQ line of
// device/uevent. On USB the manufacturer and product are the USB device's own
// strings: HID_NAME there only joins the two with a blank (or makes up
// "HID vvvv:pppp" for neither), so it cannot be split. On the other buses
// HID_NAME is the name the device gave itself, taken as the product, and there
// is no manufacturer. None at all when sysfs holds no such node.
struct HidStrings {
  std::optional<std::string> serialNumber;
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
};
std::optional<HidStrings> ReadHidStrings(const std::filesystem::path& sysfsRoot,
                                         const std::string& node);

}  // namespace usblink::linux_hid
