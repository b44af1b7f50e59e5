#pragma once
// What the user asked of a running command from outside it: interrupts
// (Ctrl-C) and requests to end (a terminal that hangs up, a system that shuts
// down). The handlers only count; the thread that runs the command looks at
// the counts between transactions and decides, so no transaction is ever cut.

#include <atomic>

namespace usblink {

// The exit status of a process that a signal ended or stopped, as a shell
// reports a command ended by SIGINT.
inline constexpr int kEndedBySignalStatus = 130;

class StopSignals {
 public:
  StopSignals() = default;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // What the handlers call, and tests in their stead. Async-signal-safe: they
  // touch nothing but lock-free atomics.
  void Interrupt() noexcept { interrupts_.fetch_add(1, std::memory_order_relaxed); }
  void AskToEnd() noexcept { endAsked_.store(true, std::memory_order_relaxed); }

  // SIGINT, Ctrl-C and Ctrl-Break so far.
  [[nodiscard]] int Interrupts() const noexcept {
    return interrupts_.load(std::memory_order_relaxed);
  }
  // SIGTERM, SIGHUP, a console closed, a log-off or a shutdown.
  [[nodiscard]] bool EndAsked() const noexcept { return endAsked_.load(std::memory_order_relaxed); }
  // Whether a command that lets `tolerated` interrupts pass must stop now.
  [[nodiscard]] bool StopNow(int tolerated) const noexcept {
    return EndAsked() || Interrupts() > tolerated;
  }
  // True for exactly one call once an interrupt has come: the moment for the
  // command's thread to say what stopping would do.
  [[nodiscard]] bool TakeFirstInterrupt() noexcept {
    return Interrupts() > 0 && !announced_.exchange(true, std::memory_order_relaxed);
  }
  // While set, a signal ends the process at once (kEndedBySignalStatus), as if
  // unhandled: for a stretch that has nothing to leave whole yet and may wait
  // in a system call that a signal does not cut short (opening a FIFO).
  void EndAtOnce(bool atOnce) noexcept { endAtOnce_.store(atOnce, std::memory_order_relaxed); }
  [[nodiscard]] bool EndsAtOnce() const noexcept {
    return endAtOnce_.load(std::memory_order_relaxed);
  }

 private:
  static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
                "a signal handler may only touch lock-free atomics");
  std::atomic<int> interrupts_{0};
  std::atomic<bool> endAsked_{false};
  std::atomic<bool> announced_{false};
  std::atomic<bool> endAtOnce_{false};
};

// Installs the process's handlers on the first call and returns the one
// StopSignals they feed; later calls only return it. SIGPIPE is ignored from
// then on (a closed pipe fails the write instead of ending the process); a
// signal the process was started with ignored (nohup) stays ignored.
// Interrupted system calls resume, so no device call fails half-way.
StopSignals& InstallStopSignals();

}  // namespace usblink
