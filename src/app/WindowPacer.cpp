#include "app/WindowPacer.h"

namespace usblink::app {

void WindowPacer::WaitForTick(int /*polls*/) {
  const auto start = events_.Now();
  for (auto left = kMinimumPoll; left.count() > 0;
       left = kMinimumPoll -
              std::chrono::duration_cast<std::chrono::milliseconds>(events_.Now() - start)) {
    delayElapsed_ = false;
    events_.ArmTimer(left);
    while (!delayElapsed_ && !events_.Closed()) events_.DispatchEvents();
    if (events_.Closed()) {
      events_.DisarmTimer();
      throw ProcessEnded();
    }
  }
}

void WindowPacer::OnTimerTick() {
  delayElapsed_ = true;
  events_.DisarmTimer();
}

}  // namespace usblink::app
