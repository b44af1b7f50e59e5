#pragma once
// How long a transaction waits before each poll of the device's reply, and
// how long the device may stay busy: the window's pace, and the command
// line's --fast.

#include <chrono>
#include <optional>

namespace usblink {

class PollPace {
 public:
  using Duration = std::chrono::steady_clock::duration;

  // The window's: 10 ms before every poll, the first included; 500 busy polls.
  static PollPace Standard();
  // The first poll right after the report is sent, then waits that double up
  // to 1 ms; the device still gets 5 s of busy replies.
  static PollPace Fast();

  // The wait before the next poll, `polls` made so far in this transaction.
  [[nodiscard]] Duration Before(int polls) const;
  // True once the device has had its whole busy budget: `reads` counts the
  // polls made, the last one included.
  [[nodiscard]] bool LimitReached(int reads, Duration sinceSent) const;

 private:
  explicit PollPace(bool fast) : fast_(fast) {}

  bool fast_;
};

}  // namespace usblink
