#pragma once
// Access to a calculator's hidraw node: why one that is plugged in may not be
// found (its node belongs to root until a udev rule hands it to the
// logged-in user), and the lock that keeps two processes off one calculator.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/hid/CalculatorIds.h"
#include "platform/hid/linux/HidrawSysfs.h"

namespace usblink::linux_hid {

// The rule usblink installs as 70-usblink.rules.
inline constexpr const char* kUdevRuleFile = "70-usblink.rules";
inline constexpr auto kUdevRuleText = WithCalculatorIds(
    R"(KERNEL=="hidraw*", ATTRS{idVendor}=="vvvv", ATTRS{idProduct}=="pppp", TAG+="uaccess")");
inline constexpr const char* kUdevRule = kUdevRuleText.data();
// The README's section that tells how to put the rule in place.
inline constexpr const char* kReadmeSection = "Linux";

// A calculator's node that is listed but cannot be opened for lack of
// permission; none when there is no such node.
std::optional<std::filesystem::path> DeniedCalculatorNode(const HidrawRoots& roots = {});

// For the user, about `node`: a few lines naming the node, the rule and the
// commands that load it.
std::string AccessHintText(const std::filesystem::path& node);
// The same in one line for the window's log, naming the rule and the
// README's section on it.
std::string AccessHintLine(const std::filesystem::path& node);

// An advisory exclusive lock on an opened calculator node, so that two
// usblink processes never drive one calculator at once. A flock(2) lock
// belongs to an open file description: two opens of one node conflict even
// within one process, so a process takes it on its first open only.
enum class LockResult { Taken, HeldElsewhere, Failed };

// Takes the lock on `fd` without waiting.
LockResult TryLockExclusive(int fd);

// The node of a calculator that sysfs lists and whose lock another open holds.
std::optional<std::filesystem::path> CalculatorInUse(const HidrawRoots& roots = {});

}  // namespace usblink::linux_hid
