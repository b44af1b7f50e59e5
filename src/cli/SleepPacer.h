#pragma once
// The command line's wait between polls: a plain sleep, which costs no CPU.

#include <chrono>
#include <optional>

#include "protocol/Pacer.h"

namespace usblink::cli {

class SleepPacer final : public Pacer {
 public:
  // The window's pace: 10 ms a poll, 500 polls.
  static SleepPacer Standard();
  // 1 ms a poll; the device still gets 5 s of busy replies.
  static SleepPacer Fast();

  void WaitForTick() override;
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override;

 private:
  SleepPacer(std::chrono::microseconds interval, std::optional<std::chrono::milliseconds> budget)
      : interval_(interval), budget_(budget) {}

  std::chrono::microseconds interval_;
  std::optional<std::chrono::milliseconds> budget_;
};

}  // namespace usblink::cli
