#include "cli/SleepPacer.h"

#include <thread>

namespace usblink::cli {

SleepPacer SleepPacer::Standard() { return {std::chrono::milliseconds(10), std::nullopt}; }

SleepPacer SleepPacer::Fast() {
  return {std::chrono::milliseconds(1), std::chrono::milliseconds(kPollLimit * 10)};
}

void SleepPacer::WaitForTick() { std::this_thread::sleep_for(interval_); }

bool SleepPacer::PollLimitReached(int reads, Clock::duration sinceSent) const {
  if (reads <= kPollLimit) return false;
  return !budget_ || sinceSent >= *budget_;
}

}  // namespace usblink::cli
