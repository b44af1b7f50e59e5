#include "platform/hid/linux/NodeLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/hid/linux/HidrawSysfs.h"
#include "platform/os/linux/UniqueFd.h"

namespace usblink::linux_hid {

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
