#pragma once
// Why a calculator that is plugged in may not be found: its hidraw node
// belongs to root until a udev rule hands it to the logged-in user.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/CalculatorIdText.h"
#include "platform/linux/HidrawRoots.h"

namespace usblink::linux_hid {

// The rule usblink installs as 70-usblink.rules.
inline constexpr const char* kUdevRuleFile = "70-usblink.rules";
inline constexpr auto kUdevRuleText = WithCalculatorIds(
    R"(KERNEL=="hidraw*", ATTRS{idVendor}=="vvvv", ATTRS{idProduct}=="pppp", TAG+="uaccess")");
inline constexpr const char* kUdevRule = kUdevRuleText.data();

// When a calculator is listed but its node cannot be opened for lack of
// permission: a few lines for the user naming the node, the rule and the
// commands that load it. None otherwise.
std::optional<std::string> AccessHint(const HidrawRoots& roots = {});

// Those lines for `node`.
std::string AccessHintText(const std::filesystem::path& node);

}  // namespace usblink::linux_hid
