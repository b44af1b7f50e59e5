#include "platform/hid/linux/KernelRelease.h"

#include <sys/utsname.h>

#include <charconv>
#include <system_error>

namespace usblink::linux_hid {

namespace {

constexpr int kFirstMajor = 5;
constexpr int kFirstMinor = 11;

}  // namespace

bool LacksReportRequests(std::string_view release) {
  const char* const end = release.data() + release.size();
  int major = 0;
  const auto majorEnd = std::from_chars(release.data(), end, major);
  if (majorEnd.ec != std::errc{} || majorEnd.ptr == end || *majorEnd.ptr != '.') return false;
  int minor = 0;
  if (std::from_chars(majorEnd.ptr + 1, end, minor).ec != std::errc{}) return false;
  return major < kFirstMajor || (major == kFirstMajor && minor < kFirstMinor);
}

std::string RunningKernelRelease() {
  utsname names{};
  if (::uname(&names) != 0) return {};
  return names.release;
}

std::string OldKernelNotice(std::string_view release) {
  return "usblink: this Linux kernel (" + std::string(release) +
         ") cannot send or fetch single HID reports through hidraw; that came with "
         "Linux 5.11. Talking to the calculator needs Linux 5.11 or newer.\n";
}

}  // namespace usblink::linux_hid
