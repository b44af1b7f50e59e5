#include "platform/hid/PlatformHidApi.h"

#include "platform/hid/win32/Win32HidApi.h"

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<win32::Win32HidApi>(); }

// Windows opens HID interfaces for every user.
std::optional<std::string> PlatformAccessHint() { return std::nullopt; }
std::optional<std::string> PlatformAccessHintLine() { return std::nullopt; }

// Windows shares an open HID interface; nothing marks it as held.
std::optional<std::string> PlatformCalculatorInUse() { return std::nullopt; }

}  // namespace usblink
