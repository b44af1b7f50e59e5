#include "hid/DeviceList.h"

#include <utility>

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

std::vector<HidInterface> PresentInterfacesWithIds(HidApi& api, InterfaceIds ids) {
  std::vector<HidInterface> matching = api.PresentInterfaces();
  std::erase_if(matching, [ids](const HidInterface& entry) { return entry.ids != ids; });
  return matching;
}

}  // namespace usblink
