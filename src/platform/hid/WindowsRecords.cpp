#include "platform/hid/WindowsRecords.h"

#include <algorithm>

namespace usblink {

InterfaceDetailRecord::InterfaceDetailRecord(std::uint32_t requiredSize)
    : bytes_(std::max<std::size_t>(std::size_t{requiredSize} + 1, kDetailDataFixedSize), 0),
      offered_(requiredSize) {
  for (std::size_t byte = 0; byte < kDetailPathOffset; ++byte) {
    bytes_[byte] = static_cast<std::uint8_t>(kDetailDataFixedSize >> (8 * byte));
  }
}

std::string InterfaceDetailRecord::DevicePath() const {
  const auto pathStart = bytes_.begin() + kDetailPathOffset;
  return std::string(pathStart, std::find(pathStart, bytes_.end(), std::uint8_t{0}));
}

}  // namespace usblink
