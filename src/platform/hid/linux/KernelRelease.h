#pragma once
// Kernels before 5.11 have no hidraw requests for single input and output
// reports (HIDIOCGINPUT / HIDIOCSOUTPUT) and refuse them with EINVAL.

#include <string>
#include <string_view>

namespace usblink::linux_hid {

// True for a release such as "5.10.0-28-amd64"; false for 5.11 and later and
// for a text that names no version.
bool LacksReportRequests(std::string_view release);

// The running kernel's release (uname -r).
std::string RunningKernelRelease();

// The plain-words notice for such a kernel.
std::string OldKernelNotice(std::string_view release);

}  // namespace usblink::linux_hid
