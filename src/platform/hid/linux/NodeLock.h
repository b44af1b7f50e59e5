#pragma once
// An advisory exclusive lock on an opened calculator node, so that two
// usblink processes never drive one calculator at once. A flock(2) lock
// belongs to an open file description: two opens of one node conflict even
// within one process, so a process takes it on its first open only.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/hid/linux/HidrawRoots.h"

namespace usblink::linux_hid {

enum class LockResult { Taken, HeldElsewhere, Failed };

// Takes the lock on `fd` without waiting.
LockResult TryLockExclusive(int fd);

// The node of a calculator that sysfs lists and whose lock another open holds.
std::optional<std::filesystem::path> CalculatorInUse(const HidrawRoots& roots = {});

}  // namespace usblink::linux_hid
