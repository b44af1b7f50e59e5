#pragma once
// The Windows error code that stands for an errno value, so a failed system
// call on Linux logs the text Windows would show for the same failure.

#include <cstdint>

namespace usblink::linux_hid {

// Every code it answers has a system text; an errno without a closer
// Windows match answers 31, "A device attached to the system is not
// functioning."
std::uint32_t WinErrorFromErrno(int error);

}  // namespace usblink::linux_hid
