#pragma once
// The HID interfaces as discovery walks them, without opening any for use.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/HidApi.h"

namespace usblink::cli {

struct InterfaceEntry {
  int index = 0;
  std::string path;
  std::optional<HiddAttributes> attributes;  // none when the interface could not be queried
  std::uint32_t error = 0;                   // why not
};

std::vector<InterfaceEntry> ListInterfaces(HidApi& api);

}  // namespace usblink::cli
