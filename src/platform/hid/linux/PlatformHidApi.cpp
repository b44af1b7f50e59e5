#include "platform/hid/PlatformHidApi.h"

#include "platform/hid/linux/AccessHint.h"
#include "platform/hid/linux/LinuxHidApi.h"
#include "platform/hid/linux/NodeLock.h"

namespace usblink {

namespace {

template <typename Text>
std::optional<std::string> HintFor(Text text) {
  const auto node = linux_hid::DeniedCalculatorNode();
  if (!node) return std::nullopt;
  return text(*node);
}

}  // namespace

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<linux_hid::LinuxHidApi>(); }

std::optional<std::string> PlatformAccessHint() { return HintFor(linux_hid::AccessHintText); }

std::optional<std::string> PlatformAccessHintLine() { return HintFor(linux_hid::AccessHintLine); }

std::optional<std::string> PlatformCalculatorInUse() {
  if (const auto node = linux_hid::CalculatorInUse()) return node->string();
  return std::nullopt;
}

}  // namespace usblink
