#pragma once
// Standard output and standard error of one run, shared by everything that
// writes to them: each line goes out whole, and the progress drawn on stderr
// is taken away and drawn again around it, so the two never mix. Each
// calculator of a run over several has a lane of progress of its own.

#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/ProgressView.h"

namespace usblink::cli {

class TerminalOutput {
 public:
  using Clock = ProgressView::Clock;

  // The lane of a run for one calculator.
  static constexpr int kOnlyLane = 0;

  // No progress at all (--json, --quiet) without a screen.
  TerminalOutput(std::ostream& out, std::ostream& err,
                 const std::optional<ProgressView::Screen>& progress);
  TerminalOutput(const TerminalOutput&) = delete;
  TerminalOutput& operator=(const TerminalOutput&) = delete;

  void Out(std::string_view line);
  void Err(std::string_view line);

  // The progress of one transfer in `lane`, from its start to its last line.
  void BeginProgress(int lane, std::string label, long long totalBlocks, Clock::time_point now);
  void Progress(int lane, long long doneBlocks, Clock::time_point now);
  void NoAnswerFor(int lane, Clock::duration waited, Clock::time_point now);
  void EndProgress(int lane, bool completed, Clock::time_point now);

 private:
  void Write(std::ostream& stream, std::string_view line);

  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& err_;
  std::optional<ProgressView> progress_;
};

}  // namespace usblink::cli
