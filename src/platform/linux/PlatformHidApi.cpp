#include "platform/PlatformHidApi.h"

#include "platform/linux/AccessHint.h"
#include "platform/linux/LinuxHidApi.h"
#include "platform/linux/NodeLock.h"

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<linux_hid::LinuxHidApi>(); }

std::optional<std::string> PlatformAccessHint() { return linux_hid::AccessHint(); }

std::optional<std::string> PlatformCalculatorInUse() {
  if (const auto node = linux_hid::CalculatorInUse()) return node->string();
  return std::nullopt;
}

}  // namespace usblink
