#include "platform/os/StopSignals.h"

#include <cstdlib>

#include "platform/os/win32/LeanWindows.h"

namespace usblink {

namespace {

// The one piece of process-wide state: a console control handler is handed
// nothing but the event, so what it feeds must be reachable without an
// argument. Constant-initialised, so an event can never meet it half-made.
constinit StopSignals processSignals;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      processSignals.Interrupt();
      if (processSignals.EndsAtOnce()) std::_Exit(kEndedBySignalStatus);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      processSignals.AskToEnd();
      if (processSignals.EndsAtOnce()) std::_Exit(kEndedBySignalStatus);
      // Windows ends the process once this returns. Waiting here gives the
      // command's thread the system's grace time to finish the running
      // transaction, close the device and exit, which ends this thread too.
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// Windows has no SIGPIPE: a write to a closed pipe fails by itself.
StopSignals& InstallStopSignals() {
  [[maybe_unused]] static const bool installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  return processSignals;
}

}  // namespace usblink
