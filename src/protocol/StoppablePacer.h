#pragma once
// Lets a front end stop a command between two transactions: once `stop` is
// set (a signal handler may set it), the next command throws
// TransactionsStopped before its report goes out. The waits and the clock are
// those of the pacer it wraps.

#include <atomic>

#include "protocol/Pacer.h"
#include "protocol/TransactionsStopped.h"

namespace usblink {

class StoppablePacer final : public Pacer {
 public:
  static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

  StoppablePacer(Pacer& paced, const std::atomic<bool>& stop) : paced_(paced), stop_(stop) {}

  void BeforeTransaction() override {
    if (stop_.load()) throw TransactionsStopped();
    paced_.BeforeTransaction();
  }
  void WaitForTick() override { paced_.WaitForTick(); }
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return paced_.PollLimitReached(reads, sinceSent);
  }
  [[nodiscard]] Clock::time_point Now() const override { return paced_.Now(); }

 private:
  Pacer& paced_;
  const std::atomic<bool>& stop_;
};

}  // namespace usblink
