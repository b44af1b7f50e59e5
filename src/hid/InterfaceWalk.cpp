#include "hid/InterfaceWalk.h"

#include <algorithm>
#include <span>
#include <utility>

#include "hid/DeviceText.h"
#include "platform/hid/HidApi.h"

namespace usblink {

namespace {

// Closes a handle of the walk however the walk ends.
class ScopedHandle {
 public:
  using Closer = std::int32_t (HidApi::*)(Handle);
  ScopedHandle(HidApi& api, Handle handle, Closer close)
      : api_(api), handle_(handle), close_(close) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { (api_.*close_)(handle_); }

 private:
  HidApi& api_;
  Handle handle_;
  Closer close_;
};

}  // namespace

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

std::vector<HidInterface> InterfaceWalk::List() {
  std::vector<HidInterface> interfaces;
  Guid hidClass;
  api_.HidD_GetHidGuid(hidClass);
  const Handle set = api_.SetupDiGetClassDevsA(hidClass, kDigcfPresent | kDigcfDeviceInterface);
  if (set == kInvalidHandleValue) return interfaces;
  const ScopedHandle setGuard(api_, set, &HidApi::SetupDiDestroyDeviceInfoList);
  SpDeviceInterfaceData data;
  for (std::uint32_t index = 0;; ++index) {
    data.cbSize = kInterfaceDataSize;
    if (api_.SetupDiEnumDeviceInterfaces(set, hidClass, index, data) == 0) break;
    HidInterface entry;
    entry.index = index;
    entry.path = DevicePath(set, data);
    ReadDevice(entry);
    interfaces.push_back(std::move(entry));
  }
  return interfaces;
}

std::vector<HidInterface> InterfaceWalk::ListWithIds(InterfaceIds ids) {
  std::vector<HidInterface> matching = List();
  std::erase_if(matching, [ids](const HidInterface& entry) { return entry.ids != ids; });
  return matching;
}

std::string InterfaceWalk::DevicePath(Handle deviceInfoSet,
                                      const SpDeviceInterfaceData& interfaceData) {
  std::uint32_t required = 0;
  api_.SetupDiGetDeviceInterfaceDetailA(deviceInfoSet, interfaceData, {}, required);
  // One byte more than offered, so the path always ends in a NUL.
  std::vector<std::uint8_t> detail(std::max<std::size_t>(required, kDetailDataFixedSize) + 1, 0);
  detail[0] = kDetailDataFixedSize;
  if (api_.SetupDiGetDeviceInterfaceDetailA(deviceInfoSet, interfaceData,
                                            std::span(detail).first(detail.size() - 1),
                                            required) == 0) {
    return {};
  }
  const auto pathStart = detail.begin() + kDetailPathOffset;
  return std::string(pathStart, std::find(pathStart, detail.end(), std::uint8_t{0}));
}

void InterfaceWalk::ReadDevice(HidInterface& entry) {
  const Handle device =
      api_.CreateFileA(entry.path, 0, kFileShareReadWrite, nullptr, kOpenExisting, 0);
  if (device == kInvalidHandleValue) {
    entry.error = api_.LastPlatformError();
    return;
  }
  const ScopedHandle deviceGuard(api_, device, &HidApi::CloseHandle);
  HiddAttributes attributes;
  attributes.Size = kHiddAttributesSize;
  if (api_.HidD_GetAttributes(device, attributes) != 0) {
    entry.ids = InterfaceIds{attributes.VendorID, attributes.ProductID};
  } else {
    entry.error = api_.LastPlatformError();
  }
  // A platform may know the strings also of a device whose attributes it cannot read.
  const auto readString = [&](auto call, std::optional<std::string>& field) {
    std::string text;
    if ((api_.*call)(device, text) == 0 || text.empty()) return;
    field = DeviceText(text);
  };
  readString(&HidApi::HidD_GetSerialNumberString, entry.serialNumber);
  readString(&HidApi::HidD_GetManufacturerString, entry.manufacturer);
  readString(&HidApi::HidD_GetProductString, entry.product);
}

}  // namespace usblink
