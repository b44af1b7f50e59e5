#pragma once
// A GUID as discovery logs it: Data1 to Data3 in hex without leading zeros,
// then the eight Data4 bytes as a byte dump.

#include <string>

#include "platform/hid/WindowsRecords.h"

namespace usblink {

[[nodiscard]] std::string GuidText(const Guid& guid);

}  // namespace usblink
