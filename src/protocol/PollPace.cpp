#include "protocol/PollPace.h"

#include <algorithm>

#include "protocol/Pacer.h"

namespace usblink {

namespace {

using namespace std::chrono_literals;

// The window timer's shortest tick.
constexpr auto kStandardWait = 10ms;
// --fast: a reply seldom takes long, so the waits start short.
constexpr auto kFirstFastWait = std::chrono::microseconds(50);
constexpr auto kLongestFastWait = 1ms;
// Doublings from the first wait past the longest.
constexpr int kFastDoublings = 5;
// What 500 polls of the window's pace give the device.
constexpr auto kBusyBudget = kPollLimit * kStandardWait;

}  // namespace

PollPace PollPace::Standard() { return PollPace(false); }

PollPace PollPace::Fast() { return PollPace(true); }

PollPace::Duration PollPace::Before(int polls) const {
  if (!fast_) return kStandardWait;
  if (polls <= 0) return 0s;
  const Duration grown = kFirstFastWait * (1 << std::min(polls - 1, kFastDoublings));
  return std::min<Duration>(grown, kLongestFastWait);
}

bool PollPace::LimitReached(int reads, Duration sinceSent) const {
  if (reads <= kPollLimit) return false;
  return !fast_ || sinceSent >= kBusyBudget;
}

}  // namespace usblink
