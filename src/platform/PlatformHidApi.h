#pragma once
// The real HID backend of the platform this program was built for.

#include <memory>

#include "platform/HidApi.h"

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi();

}  // namespace usblink
