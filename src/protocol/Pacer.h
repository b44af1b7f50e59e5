#pragma once
// The wait between a command and each poll of the device's reply.

namespace usblink {

// The device may stay busy for this many polls of at least 10 ms each.
inline constexpr int kPollLimit = 500;

class Pacer {
 public:
  virtual ~Pacer() = default;
  // Called once when a command has been sent, before its first wait.
  virtual void BeginTransaction() {}
  // Returns after one poll interval; a window keeps handling its events meanwhile.
  virtual void WaitForTick() = 0;
  // True once the device has had its whole busy budget; `reads` counts the
  // polls of the running transaction, the one just made included.
  [[nodiscard]] virtual bool PollLimitReached(int reads) const { return reads > kPollLimit; }
};

}  // namespace usblink
