#pragma once
// The wait between a command and each poll of the device's reply, the clock
// a transaction's time bound is measured on, and the stop between two
// transactions.

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <utility>

namespace usblink {

// The device may stay busy for this many polls of at least 10 ms each.
inline constexpr int kPollLimit = 500;
// However slowly its replies come, the device answers within this time after
// the command was sent: a device whose every read stalls cannot hold a
// command for 501 stalls.
inline constexpr std::chrono::seconds kTransactionTimeLimit{30};

// Thrown before a command's report is sent once the front end asked to stop:
// the command unwinds between two transactions, closing its files on the way.
class TransactionsStopped : public std::runtime_error {
 public:
  TransactionsStopped() : std::runtime_error("stopped between two transactions") {}
};

class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~Pacer() = default;
  // Called before each command's report is sent. A front end asked to stop
  // throws TransactionsStopped here, so no transaction is ever cut in two.
  virtual void BeforeTransaction() {}
  // Returns when the next poll is due, `polls` made so far in the running
  // transaction; a window keeps handling its events meanwhile.
  virtual void WaitForTick(int polls) = 0;
  // True once the device has had its whole busy budget: `reads` counts the
  // polls of the running transaction, the one just made included.
  [[nodiscard]] virtual bool PollLimitReached(int reads, Clock::duration /*sinceSent*/) const {
    return reads > kPollLimit;
  }
  // Now, on the clock the waits take their time from.
  [[nodiscard]] virtual Clock::time_point Now() const { return Clock::now(); }
};

// Lets a front end stop a command between two transactions: once it is asked
// to stop, the next command throws TransactionsStopped before its report
// goes out. The waits and the clock are those of the pacer it wraps.
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
  void WaitForTick(int polls) override { paced_.WaitForTick(polls); }
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return paced_.PollLimitReached(reads, sinceSent);
  }
  [[nodiscard]] Clock::time_point Now() const override { return paced_.Now(); }

 private:
  Pacer& paced_;
  std::function<bool()> stopNow_;
};

}  // namespace usblink
