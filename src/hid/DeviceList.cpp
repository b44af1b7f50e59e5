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

std::vector<HidInterface> InterfacesWithIds(std::vector<HidInterface> interfaces,
                                            InterfaceIds ids) {
  std::erase_if(interfaces, [ids](const HidInterface& entry) { return entry.ids != ids; });
  return interfaces;
}

std::vector<HidInterface> PresentInterfacesWithIds(HidApi& api, InterfaceIds ids) {
  return InterfacesWithIds(api.PresentInterfaces(), ids);
}

std::uint32_t OpenRefusal(HidApi& api, const std::string& path) {
  const Handle device =
      api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr, kOpenExisting, 0);
  if (device == kInvalidHandleValue) return api.LastPlatformError();
  api.CloseHandle(device);
  return WinError::Success;
}

}  // namespace usblink
