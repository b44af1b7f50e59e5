#pragma once
// The device information sets of a backend that answers the SetupDi calls as
// Windows does: each set is a snapshot of interface paths, taken when it was
// made, that the enumeration and the detail queries read.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/WindowsRecords.h"

namespace usblink {

class DeviceInfoSets {
 public:
  void Add(Handle set, std::vector<std::string> paths);
  // False when `set` is unknown.
  bool Destroy(Handle set);
  [[nodiscard]] std::size_t Count() const { return sets_.size(); }

  // These answer the Windows error code the call leaves behind, Success when
  // it succeeds.
  std::uint32_t Enumerate(Handle set, const Guid& classGuid, std::uint32_t memberIndex,
                          SpDeviceInterfaceData& interfaceData) const;
  // An empty `detail` is the size query, which always fails with 122 after
  // reporting the size. The record's size field must say 5, else 1784.
  std::uint32_t GetDetail(Handle set, const SpDeviceInterfaceData& interfaceData,
                          std::span<std::uint8_t> detail, std::uint32_t& requiredSize) const;

 private:
  std::map<Handle, std::vector<std::string>> sets_;
};

}  // namespace usblink
