#include "platform/PlatformHidApi.h"

#include "platform/win32/Win32HidApi.h"

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<win32::Win32HidApi>(); }

}  // namespace usblink
