#include "platform/os/StopSignals.h"

#include <signal.h>

#include <cstdlib>

namespace usblink {

namespace {

// The one piece of process-wide state: a signal handler is handed nothing but
// the signal's number, so what it feeds must be reachable without an
// argument. Constant-initialised, so a signal can never meet it half-made.
constinit StopSignals processSignals;

void EndIfAsked() {
  if (processSignals.EndsAtOnce()) std::_Exit(kEndedBySignalStatus);
}
void CountInterrupt(int) {
  processSignals.Interrupt();
  EndIfAsked();
}
void AskToEnd(int) {
  processSignals.AskToEnd();
  EndIfAsked();
}

void Handle(int number, void (*handler)(int)) {
  struct sigaction action {};
  ::sigaction(number, nullptr, &action);
  if (action.sa_handler == SIG_IGN) return;
  action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // A system call that the signal interrupts resumes instead of failing: a
  // device call that failed with EINTR would read as a device error.
  action.sa_flags = SA_RESTART;
  ::sigaction(number, &action, nullptr);
}

}  // namespace

StopSignals& InstallStopSignals() {
  [[maybe_unused]] static const bool installed = [] {
    Handle(SIGPIPE, SIG_IGN);
    Handle(SIGINT, CountInterrupt);
    Handle(SIGTERM, AskToEnd);
    Handle(SIGHUP, AskToEnd);
    return true;
  }();
  return processSignals;
}

}  // namespace usblink
