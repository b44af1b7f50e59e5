#pragma once
// The exit status of a run that a device failure ended: the calculator sent
// an error status or stopped answering. The window and the command line end
// with the same one.

namespace usblink::app {

inline constexpr int kExitDeviceFailed = 6;

}  // namespace usblink::app
