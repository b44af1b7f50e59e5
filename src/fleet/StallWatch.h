#pragma once
// Tells after each poll how long the running exchange has waited for the
// calculator's answer, so the terminal can say so while the calculator is
// silent. The waits and the clock are those of the pacer it wraps.

#include <functional>
#include <utility>

#include "protocol/Pacer.h"

namespace usblink {

class StallWatch final : public Pacer {
 public:
  StallWatch(Pacer& paced, std::function<void(Clock::duration waited)> report)
      : paced_(paced), report_(std::move(report)) {}

  void BeforeTransaction() override {
    paced_.BeforeTransaction();
    sent_ = paced_.Now();
  }
  void WaitForTick() override {
    paced_.WaitForTick();
    report_(paced_.Now() - sent_);
  }
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return paced_.PollLimitReached(reads, sinceSent);
  }
  [[nodiscard]] Clock::time_point Now() const override { return paced_.Now(); }

 private:
  Pacer& paced_;
  std::function<void(Clock::duration)> report_;
  Clock::time_point sent_{};
};

}  // namespace usblink
