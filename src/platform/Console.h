#pragma once
// The terminal the command line writes to.

namespace usblink {

// True when stderr is a terminal, so a progress bar can be drawn there.
bool StderrIsTerminal();

}  // namespace usblink
