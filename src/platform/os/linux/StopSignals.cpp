#include "platform/os/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "platform/os/linux/StopWake.h"

namespace usblink {

namespace {

// The process-wide state: a signal handler is handed nothing but the
// signal's number, so what it feeds must be reachable without an argument.
// Constant-initialised, so a signal can never meet it half-made; the wake
// pipe is made before the handlers are installed.
constinit StopSignals processSignals;
constinit std::array<int, 2> wakePipe{-1, -1};

// After a count: the end at once where asked, else a wait in poll() woken.
void EndIfAsked() {
  if (processSignals.EndsAtOnce()) std::_Exit(kEndedBySignalStatus);
  // Non-blocking: a full pipe wakes a wait as well as one more byte.
  const int saved = errno;
  [[maybe_unused]] const auto written = ::write(wakePipe[1], "", 1);
  errno = saved;
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
    if (::pipe2(wakePipe.data(), O_NONBLOCK | O_CLOEXEC) != 0) wakePipe = {-1, -1};
    Handle(SIGPIPE, SIG_IGN);
    Handle(SIGINT, CountInterrupt);
    Handle(SIGTERM, AskToEnd);
    Handle(SIGHUP, AskToEnd);
    return true;
  }();
  return processSignals;
}

int linux_os::StopWakeDescriptor() { return wakePipe[0]; }

}  // namespace usblink
