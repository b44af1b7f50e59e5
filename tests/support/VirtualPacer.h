#pragma once
// Virtual time: every poll advances a clock by the window timer's 10 ms and
// returns at once, so a full transfer runs in milliseconds.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "protocol/Pacer.h"

namespace usblink::testing {

// Time on a virtual clock, which a slow simulated device may share, and the
// pacers of several threads at once.
class VirtualClock {
 public:
  [[nodiscard]] std::chrono::milliseconds Now() const {
    return std::chrono::milliseconds(now_.load());
  }
  // The time after it.
  std::chrono::milliseconds Advance(std::chrono::milliseconds elapsed) {
    return std::chrono::milliseconds(now_ += elapsed.count());
  }

 private:
  std::atomic<std::chrono::milliseconds::rep> now_{0};
};

class VirtualPacer : public Pacer {
 public:
  void BeforeTransaction() override {
    if (beforeTransaction) beforeTransaction();
  }
  void WaitForTick() override {
    ++ticks;
    Advance(std::chrono::milliseconds(10));
    if (onTick) onTick(ticks);
  }
  [[nodiscard]] Clock::time_point Now() const override { return Clock::time_point(clock->Now()); }
  // Time that passes outside the waits, as a slow device's read.
  void Advance(std::chrono::milliseconds elapsed) const { clock->Advance(elapsed); }

  long ticks = 0;
  std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>();
  // Runs on every tick, as window events would during a wait.
  std::function<void(long tick)> onTick;
  // Runs before every command is sent; may throw TransactionsStopped.
  std::function<void()> beforeTransaction;
};

}  // namespace usblink::testing
