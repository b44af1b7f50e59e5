#include "platform/hid/DeviceInfoSets.h"

#include <algorithm>

namespace usblink {

namespace {

constexpr std::uint32_t kSpintActive = 1;

std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

void DeviceInfoSets::Add(Handle set, std::vector<std::string> paths) {
  sets_.insert_or_assign(set, std::move(paths));
}

bool DeviceInfoSets::Destroy(Handle set) { return sets_.erase(set) != 0; }

std::uint32_t DeviceInfoSets::Enumerate(Handle set, const Guid& classGuid,
                                        std::uint32_t memberIndex,
                                        SpDeviceInterfaceData& interfaceData) const {
  const auto found = sets_.find(set);
  if (found == sets_.end()) return WinError::InvalidHandle;
  if (interfaceData.cbSize != kInterfaceDataSize) return WinError::InvalidParameter;
  if (classGuid != kHidClassGuid || memberIndex >= found->second.size()) {
    return WinError::NoMoreItems;
  }
  interfaceData.InterfaceClassGuid = kHidClassGuid;
  interfaceData.Flags = kSpintActive;
  // Windows keeps its own reference here; this one is the position plus one.
  interfaceData.Reserved = memberIndex + 1;
  return WinError::Success;
}

std::uint32_t DeviceInfoSets::GetDetail(Handle set, const SpDeviceInterfaceData& interfaceData,
                                        std::span<std::uint8_t> detail,
                                        std::uint32_t& requiredSize) const {
  const auto found = sets_.find(set);
  if (found == sets_.end()) return WinError::InvalidHandle;
  const auto& paths = found->second;
  if (interfaceData.cbSize != kInterfaceDataSize || interfaceData.Reserved == 0 ||
      interfaceData.Reserved > paths.size()) {
    return WinError::InvalidParameter;
  }
  const std::string& path = paths[interfaceData.Reserved - 1];
  const std::size_t required = kDetailPathOffset + path.size() + 1;
  requiredSize = static_cast<std::uint32_t>(required);
  if (detail.empty()) return WinError::InsufficientBuffer;
  if (detail.size() < kDetailPathOffset || ReadLittleEndian32(detail) != kDetailDataFixedSize) {
    return WinError::InvalidUserBuffer;
  }
  if (detail.size() < required) return WinError::InsufficientBuffer;
  const auto end = std::ranges::copy(path, detail.begin() + kDetailPathOffset).out;
  *end = 0;
  return WinError::Success;
}

}  // namespace usblink
