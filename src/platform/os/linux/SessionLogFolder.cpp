#include "platform/os/SessionLogFolder.h"

#include <cstdlib>

namespace usblink {

namespace {

// A variable that is unset, empty or relative does not count.
std::optional<std::filesystem::path> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  std::filesystem::path path(value);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::filesystem::path> SessionLogFolder() {
  if (auto state = AbsoluteFromEnvironment("XDG_STATE_HOME")) return *state / "usblink";
  if (auto home = AbsoluteFromEnvironment("HOME")) return *home / ".local" / "state" / "usblink";
  return std::nullopt;
}

}  // namespace usblink
