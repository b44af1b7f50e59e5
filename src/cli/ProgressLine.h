#pragma once
// What the progress of one transfer says: the live line a terminal shows
// while it runs, fitted to the terminal's width; the plain lines said where
// nothing can be drawn over; and the line that stays when it ends.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace usblink::cli {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  // What a live line shows.
  struct State {
    std::string_view label;
    long long doneBlocks = 0;
    long long totalBlocks = 0;
    Clock::duration elapsed{};
    // How long the running exchange has waited for the calculator's answer,
    // once that is long enough to tell.
    std::optional<Clock::duration> noAnswer;
  };

  // `label` names the phase, e.g. "download 2/2".
  ProgressLine(std::string label, long long totalBlocks, Clock::time_point start);

  // Every exchange of the blocks done was answered.
  void Update(long long doneBlocks);
  // The running exchange has waited `waited`; true when that changes the
  // live line, which tells a wait by whole seconds from the first on.
  bool NoAnswerFor(Clock::duration waited);

  [[nodiscard]] long long DoneBlocks() const { return doneBlocks_; }
  [[nodiscard]] long long TotalBlocks() const { return totalBlocks_; }
  [[nodiscard]] bool Complete() const { return doneBlocks_ == totalBlocks_; }
  [[nodiscard]] bool Stalled() const { return noAnswer_.has_value(); }

  [[nodiscard]] const std::string& Label() const { return label_; }
  // The live line at `now`, fitted into `columns`; the label padded to
  // `labelWidth`, so the bars of lines one above the other line up.
  [[nodiscard]] std::string Live(Clock::time_point now, int columns,
                                 std::size_t labelWidth = 0) const;
  // The plain line of the blocks done, and of a wait for an answer.
  [[nodiscard]] std::string Plain() const;
  [[nodiscard]] std::string NoAnswerPlain(Clock::duration waited) const;
  // The line that stays: what was done in what time, or where it stopped.
  [[nodiscard]] std::string Final(bool completed, Clock::time_point now) const;

  // The live line for `state`, fitted into `columns` less one (a terminal
  // may wrap a line that fills its last column).
  [[nodiscard]] static std::string Render(const State& state, int columns);

 private:
  std::string label_;
  long long totalBlocks_;
  long long doneBlocks_ = 0;
  Clock::time_point start_;
  std::optional<Clock::duration> noAnswer_;
};

}  // namespace usblink::cli
