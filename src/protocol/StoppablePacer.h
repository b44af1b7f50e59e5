#pragma once
// Lets a front end stop a command between two transactions: once it is asked
// to stop, the next command throws TransactionsStopped before its report
// goes out. The waits and the clock are those of the pacer it wraps.

#include <atomic>
#include <functional>
#include <utility>

#include "protocol/Pacer.h"
#include "protocol/TransactionsStopped.h"

namespace usblink {

class StoppablePacer final : public Pacer {
 public:
  // `stopNow` is asked before every command, on the thread that runs it.
  StoppablePacer(Pacer& paced, std::function<bool()> stopNow)
      : paced_(paced), stopNow_(std::move(stopNow)) {}
  // Stops once `stop` is set; a signal handler may set it.
  StoppablePacer(Pacer& paced, const std::atomic<bool>& stop)
      : StoppablePacer(paced, [&stop] { return stop.load(); }) {}

  void BeforeTransaction() override {
    if (stopNow_()) throw TransactionsStopped();
    paced_.BeforeTransaction();
  }
  void WaitForTick() override { paced_.WaitForTick(); }
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return paced_.PollLimitReached(reads, sinceSent);
  }
  [[nodiscard]] Clock::time_point Now() const override { return paced_.Now(); }

 private:
  Pacer& paced_;
  std::function<bool()> stopNow_;
};

}  // namespace usblink
