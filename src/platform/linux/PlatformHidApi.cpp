#include "platform/PlatformHidApi.h"

#include "platform/linux/AccessHint.h"
#include "platform/linux/LinuxHidApi.h"

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<linux_hid::LinuxHidApi>(); }

std::optional<std::string> PlatformAccessHint() { return linux_hid::AccessHint(); }

}  // namespace usblink
