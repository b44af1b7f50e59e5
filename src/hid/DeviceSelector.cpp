#include "hid/DeviceSelector.h"

#include <utility>

#include "platform/hid/SameDevicePath.h"

namespace usblink {

DeviceSelector DeviceSelector::FromText(std::string text) {
  const bool path = text.find_first_of("/\\") != std::string::npos;
  return {path ? By::Path : By::SerialNumber, std::move(text)};
}

bool DeviceSelector::MatchesPath(std::string_view path) const {
  return by == By::Path && SameDevicePath(path, text);
}

bool DeviceSelector::MatchesSerialNumber(const std::optional<std::string>& serialNumber) const {
  return by == By::SerialNumber && serialNumber == text;
}

}  // namespace usblink
