#pragma once
// The wait between a command and each poll of the device's reply, and the
// clock a transaction's time bound is measured on.

#include <chrono>

namespace usblink {

// The device may stay busy for this many polls of at least 10 ms each.
inline constexpr int kPollLimit = 500;
// However slowly its replies come, the device answers within this time after
// the command was sent: a device whose every read stalls cannot hold a
// command for 501 stalls.
inline constexpr std::chrono::seconds kTransactionTimeLimit{30};

class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~Pacer() = default;
  // Called before each command's report is sent. A front end asked to stop
  // throws TransactionsStopped here, so no transaction is ever cut in two.
  virtual void BeforeTransaction() {}
  // Returns after one poll interval; a window keeps handling its events meanwhile.
  virtual void WaitForTick() = 0;
  // True once the device has had its whole busy budget: `reads` counts the
  // polls of the running transaction, the one just made included.
  [[nodiscard]] virtual bool PollLimitReached(int reads, Clock::duration /*sinceSent*/) const {
    return reads > kPollLimit;
  }
  // Now, on the clock the waits take their time from.
  [[nodiscard]] virtual Clock::time_point Now() const { return Clock::now(); }
};

}  // namespace usblink
