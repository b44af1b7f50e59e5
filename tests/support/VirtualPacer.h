#pragma once
// Virtual time: every poll advances a clock by the wait its pace asks, the
// window timer's 10 ms unless told otherwise, and returns at once, so a full
// transfer runs in milliseconds.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "protocol/Pacer.h"
#include "protocol/PollPace.h"

namespace usblink::testing {

// Time on a virtual clock, which a slow simulated device may share, and the
// pacers of several threads at once.
class VirtualClock {
 public:
  [[nodiscard]] std::chrono::milliseconds Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Precise());
  }
  [[nodiscard]] std::chrono::microseconds Precise() const {
    return std::chrono::microseconds(now_.load());
  }
  // The time after it.
  std::chrono::milliseconds Advance(std::chrono::microseconds elapsed) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::microseconds(now_ += elapsed.count()));
  }

 private:
  std::atomic<std::chrono::microseconds::rep> now_{0};
};

class VirtualPacer : public Pacer {
 public:
  void BeforeTransaction() override {
    if (beforeTransaction) beforeTransaction();
  }
  void WaitForTick(int polls) override {
    ++ticks;
    clock->Advance(std::chrono::duration_cast<std::chrono::microseconds>(pace.Before(polls)));
    if (onTick) onTick(ticks);
  }
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return pace.LimitReached(reads, sinceSent);
  }
  [[nodiscard]] Clock::time_point Now() const override {
    return Clock::time_point(clock->Precise());
  }
  // Time that passes outside the waits, as a slow device's read.
  void Advance(std::chrono::milliseconds elapsed) const { clock->Advance(elapsed); }

  PollPace pace = PollPace::Standard();

  long ticks = 0;
  std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>();
  // Runs on every tick, as window events would during a wait.
  std::function<void(long tick)> onTick;
  // Runs before every command is sent; may throw TransactionsStopped.
  std::function<void()> beforeTransaction;
};

}  // namespace usblink::testing
