#include "cli/InterfaceList.h"

#include <algorithm>

namespace usblink::cli {

namespace {

std::string DetailPath(HidApi& api, Handle set, const SpDeviceInterfaceData& data) {
  std::uint32_t required = 0;
  api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required);
  std::vector<std::uint8_t> detail(std::max<std::size_t>(required, kDetailDataFixedSize) + 1, 0);
  detail[0] = kDetailDataFixedSize;
  if (!api.SetupDiGetDeviceInterfaceDetailA(set, data, std::span(detail).first(detail.size() - 1),
                                            required)) {
    return {};
  }
  const auto* begin = reinterpret_cast<const char*>(detail.data()) + kDetailPathOffset;
  return std::string(begin, std::find(begin, begin + (detail.size() - kDetailPathOffset), '\0'));
}

}  // namespace

std::vector<InterfaceEntry> ListInterfaces(HidApi& api) {
  std::vector<InterfaceEntry> entries;
  Guid guid;
  api.HidD_GetHidGuid(guid);
  const Handle set = api.SetupDiGetClassDevsA(guid, kDigcfPresent | kDigcfDeviceInterface);
  for (std::uint32_t index = 0;; ++index) {
    SpDeviceInterfaceData data;
    data.cbSize = kInterfaceDataSize;
    if (!api.SetupDiEnumDeviceInterfaces(set, guid, index, data)) break;
    InterfaceEntry entry;
    entry.index = static_cast<int>(index);
    entry.path = DetailPath(api, set, data);
    // No access asked: enough for the ids, also of devices the system holds.
    const Handle device =
        api.CreateFileA(entry.path, 0, kFileShareReadWrite, nullptr, kOpenExisting, 0);
    HiddAttributes attributes;
    attributes.Size = kHiddAttributesSize;
    if (device != kInvalidHandleValue && api.HidD_GetAttributes(device, attributes)) {
      entry.attributes = attributes;
    } else {
      entry.error = api.LastPlatformError();
    }
    if (device != kInvalidHandleValue) api.CloseHandle(device);
    entries.push_back(std::move(entry));
  }
  api.SetupDiDestroyDeviceInfoList(set);
  return entries;
}

}  // namespace usblink::cli
