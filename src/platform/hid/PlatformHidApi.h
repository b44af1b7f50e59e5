#pragma once
// The real HID backend of the platform this program was built for.

#include <memory>
#include <optional>
#include <string>

#include "platform/hid/HidApi.h"

namespace usblink {

std::unique_ptr<HidApi> MakePlatformHidApi();

// When the platform can tell why a calculator that is plugged in was not
// found (a permission, say): what the user can do about it.
std::optional<std::string> PlatformAccessHint();
// The same in one line, for the window's log.
std::optional<std::string> PlatformAccessHintLine();

// The device path of a calculator that is plugged in but held by another
// program, when the platform can tell.
std::optional<std::string> PlatformCalculatorInUse();

}  // namespace usblink
