#pragma once
// Virtual time: every poll advances a clock by the window timer's 10 ms and
// returns at once, so a full transfer runs in milliseconds.

#include <chrono>
#include <functional>

#include "protocol/Pacer.h"

namespace usblink::testing {

class VirtualPacer : public Pacer {
 public:
  void WaitForTick() override {
    ++ticks;
    now += std::chrono::milliseconds(10);
    if (onTick) onTick(ticks);
  }

  long ticks = 0;
  std::chrono::milliseconds now{0};
  // Runs on every tick, as window events would during a wait.
  std::function<void(long tick)> onTick;
};

}  // namespace usblink::testing
