#pragma once
// The read end of a pipe that every stop signal writes a byte to, so that a
// wait in poll() for something else ends too: a signal that comes just
// before the wait begins would otherwise leave it waiting.

namespace usblink::linux_os {

// -1 before InstallStopSignals, or when the pipe could not be made.
int StopWakeDescriptor();

}  // namespace usblink::linux_os
