#include "platform/hid/HidApi.h"

#include <algorithm>
#include <utility>

#include "platform/hid/DeviceText.h"

namespace usblink {

namespace {

// Closes a handle however the walk ends.
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

HidInterface DescribeInterface(HidApi& api, std::uint32_t index, std::string path) {
  HidInterface entry;
  entry.index = index;
  entry.path = std::move(path);
  const Handle device =
      api.CreateFileA(entry.path, 0, kFileShareReadWrite, nullptr, kOpenExisting, 0);
  if (device == kInvalidHandleValue) {
    entry.error = api.LastPlatformError();
    return entry;
  }
  const ScopedHandle deviceGuard(api, device, &HidApi::CloseHandle);
  HiddAttributes attributes;
  attributes.Size = kHiddAttributesSize;
  if (api.HidD_GetAttributes(device, attributes) != 0) {
    entry.ids = InterfaceIds{attributes.VendorID, attributes.ProductID};
  } else {
    entry.error = api.LastPlatformError();
  }
  // A platform may know the strings also of a device whose attributes it cannot read.
  const auto readString = [&](auto call, std::optional<std::string>& field) {
    std::string text;
    if ((api.*call)(device, text) == 0 || text.empty()) return;
    field = DeviceText(text);
  };
  readString(&HidApi::HidD_GetSerialNumberString, entry.serialNumber);
  readString(&HidApi::HidD_GetManufacturerString, entry.manufacturer);
  readString(&HidApi::HidD_GetProductString, entry.product);
  return entry;
}

std::string FetchDevicePath(HidApi& api, Handle deviceInfoSet,
                            const SpDeviceInterfaceData& interfaceData) {
  std::uint32_t required = 0;
  api.SetupDiGetDeviceInterfaceDetailA(deviceInfoSet, interfaceData, {}, required);
  InterfaceDetailRecord detail(required);
  if (api.SetupDiGetDeviceInterfaceDetailA(deviceInfoSet, interfaceData, detail.Offered(),
                                           required) == 0) {
    return {};
  }
  return detail.DevicePath();
}

std::vector<HidInterface> WalkPresentInterfaces(HidApi& api) {
  std::vector<HidInterface> interfaces;
  Guid hidClass;
  api.HidD_GetHidGuid(hidClass);
  const Handle set = api.SetupDiGetClassDevsA(hidClass, kDigcfPresent | kDigcfDeviceInterface);
  if (set == kInvalidHandleValue) return interfaces;
  const ScopedHandle setGuard(api, set, &HidApi::SetupDiDestroyDeviceInfoList);
  SpDeviceInterfaceData data;
  for (std::uint32_t index = 0;; ++index) {
    data.cbSize = kInterfaceDataSize;
    if (api.SetupDiEnumDeviceInterfaces(set, hidClass, index, data) == 0) break;
    interfaces.push_back(DescribeInterface(api, index, FetchDevicePath(api, set, data)));
  }
  return interfaces;
}

}  // namespace usblink
