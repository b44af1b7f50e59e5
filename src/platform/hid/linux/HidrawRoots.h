#pragma once
// Where the hidraw nodes are listed and where they are opened. Tests point
// both at a directory of their own.

#include <filesystem>

namespace usblink::linux_hid {

struct HidrawRoots {
  std::filesystem::path sysfs = "/sys/class/hidraw";
  std::filesystem::path dev = "/dev";
};

}  // namespace usblink::linux_hid
