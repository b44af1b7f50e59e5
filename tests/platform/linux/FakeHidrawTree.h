#pragma once
// A stand-in for /sys/class/hidraw and /dev in a temporary directory: each
// node a sysfs entry whose device links into a device tree, as the kernel
// lays it out, and a plain file in place of the device node.

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/hid/linux/HidrawSysfs.h"
#include "support/TempDirectory.h"

namespace usblink::linux_hid {

// What the kernel keeps of a node's device besides its ids.
struct FakeDeviceStrings {
  std::string uniq{};  // HID_UNIQ, empty when the device has no serial number
  std::string name = "x";
  // The USB device's own string files, for a node on USB.
  std::optional<std::string> usbManufacturer{};
  std::optional<std::string> usbProduct{};
};

class FakeHidrawTree {
 public:
  [[nodiscard]] HidrawRoots Roots() const { return {Sys(), Dev()}; }
  [[nodiscard]] std::filesystem::path DevPath(int number) const {
    return Dev() / ("hidraw" + std::to_string(number));
  }

  // With a bcdDevice the node sits on USB (interface, then device above the
  // HID device); without one it sits under uhid, as a virtual device.
  void AddNode(int number, const std::string& hidId,
               const std::optional<std::string>& bcdDevice = std::nullopt,
               const FakeDeviceStrings& strings = {}) {
    const std::string name = "hidraw" + std::to_string(number);
    const std::string n = std::to_string(number);
    const auto parent = bcdDevice ? Devices() / ("usb" + n) / (n + "-1") / (n + "-1:1.0")
                                  : Devices() / "virtual" / "misc" / "uhid";
    const auto hidDevice = parent / ("hid." + n);
    std::filesystem::create_directories(hidDevice);
    WriteFile(hidDevice / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId +
                                        "\nHID_NAME=" + strings.name + "\nHID_PHYS=usb-1/input0" +
                                        "\nHID_UNIQ=" + strings.uniq + "\n");
    if (bcdDevice) {
      const auto usbDevice = parent.parent_path();
      WriteFile(usbDevice / "bcdDevice", *bcdDevice + "\n");
      if (strings.usbManufacturer)
        WriteFile(usbDevice / "manufacturer", *strings.usbManufacturer + "\n");
      if (strings.usbProduct) WriteFile(usbDevice / "product", *strings.usbProduct + "\n");
    }
    std::filesystem::create_directories(Sys() / name);
    std::filesystem::create_directory_symlink(hidDevice, Sys() / name / "device");
    std::filesystem::create_directories(Dev());
    WriteFile(DevPath(number), "");
  }

  void AddEntry(const std::string& name) { std::filesystem::create_directories(Sys() / name); }

 private:
  static void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text;
  }
  [[nodiscard]] std::filesystem::path Sys() const { return dir_.Path() / "sys"; }
  [[nodiscard]] std::filesystem::path Dev() const { return dir_.Path() / "dev"; }
  [[nodiscard]] std::filesystem::path Devices() const { return dir_.Path() / "devices"; }

  testing::TempDirectory dir_;
};

}  // namespace usblink::linux_hid
