#include "platform/hid/linux/NodeAccess.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/hid/linux/HidrawSysfs.h"
#include "platform/os/linux/UniqueFd.h"

namespace usblink::linux_hid {

namespace {

bool PermissionDenied(const std::filesystem::path& node) {
  const UniqueFd fd(::open(node.c_str(), O_RDWR | O_CLOEXEC));
  return !fd.Valid() && (errno == EACCES || errno == EPERM);
}

}  // namespace

std::optional<std::filesystem::path> DeniedCalculatorNode(const HidrawRoots& roots) {
  for (const auto& path : CalculatorNodes(roots)) {
    if (PermissionDenied(path)) return path;
  }
  return std::nullopt;
}

std::string AccessHintText(const std::filesystem::path& node) {
  const std::string rulePath = std::string("/etc/udev/rules.d/") + kUdevRuleFile;
  return "The calculator is plugged in as " + node.string() +
         ", but this user may not open it (Access is denied).\n"
         "The udev rule " +
         kUdevRuleFile +
         " gives the logged-in user access. The usblink package installs it\n"
         "in /usr/lib/udev/rules.d; without the package, add it with\n"
         "  echo '" +
         kUdevRule + "' | sudo tee " + rulePath +
         "\n"
         "Then load it, and unplug the calculator and plug it in again:\n"
         "  sudo udevadm control --reload-rules\n"
         "  sudo udevadm trigger --subsystem-match=hidraw\n";
}

std::string AccessHintLine(const std::filesystem::path& node) {
  return " The calculator is " + node.string() +
         ", but this user may not open it: install the udev rule " + kUdevRuleFile + " (see \"" +
         kReadmeSection + "\" in the README).";
}

LockResult TryLockExclusive(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return LockResult::Taken;
  return errno == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Failed;
}

std::optional<std::filesystem::path> CalculatorInUse(const HidrawRoots& roots) {
  for (const auto& node : CalculatorNodes(roots)) {
    // The lock, if taken, goes with the descriptor.
    const UniqueFd fd(::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (fd.Valid() && TryLockExclusive(fd.Get()) == LockResult::HeldElsewhere) return node;
  }
  return std::nullopt;
}

}  // namespace usblink::linux_hid
