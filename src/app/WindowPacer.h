#pragma once
// The window's wait between polls: arm the one-shot timer tmrDelay and handle
// window events until its tick, so the window stays alive while the device
// works. A poll never takes less than the Windows timer's 10 ms, whatever the
// toolkit's timers do, so the device keeps its full busy budget.

#include <chrono>
#include <stdexcept>

#include "protocol/Pacer.h"

namespace usblink::app {

inline constexpr std::chrono::milliseconds kMinimumPoll{10};

// Thrown out of a wait when the window was closed in the middle of a command,
// so the interrupted command unwinds, closing its files, and never resumes.
class ProcessEnded : public std::runtime_error {
 public:
  ProcessEnded() : std::runtime_error("the window was closed") {}
};

// The toolkit's timer and event loop.
class EventLoopPort {
 public:
  virtual ~EventLoopPort() = default;
  virtual void ArmTimer(std::chrono::milliseconds interval) = 0;
  virtual void DisarmTimer() = 0;
  // Handles events, blocking until at least one was handled.
  virtual void DispatchEvents() = 0;
  // True once the window was closed.
  [[nodiscard]] virtual bool Closed() const = 0;
  [[nodiscard]] virtual std::chrono::steady_clock::time_point Now() const {
    return std::chrono::steady_clock::now();
  }
};

class WindowPacer final : public Pacer {
 public:
  explicit WindowPacer(EventLoopPort& events) : events_(events) {}
  // One tick of the timer, whatever the polls made. Throws ProcessEnded when
  // the window was closed during the wait.
  void WaitForTick(int polls) override;
  // The tick of tmrDelay: sets DelayElapsed, then disarms the timer.
  void OnTimerTick();
  [[nodiscard]] bool DelayElapsed() const { return delayElapsed_; }
  [[nodiscard]] Clock::time_point Now() const override { return events_.Now(); }

 private:
  EventLoopPort& events_;
  bool delayElapsed_ = false;
};

}  // namespace usblink::app
