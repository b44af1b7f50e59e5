#pragma once
// Standard output and standard error of one run, shared by everything that
// writes to them: each line goes out whole, and the progress lines on stderr
// are taken away and drawn again around it, so the two never mix. Each
// calculator of a run over several has a lane of progress of its own: a bar
// of its own, or a line of one block where the terminal can draw that.

#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

#include "cli/ProgressBar.h"
#include "cli/ProgressBlock.h"

namespace usblink::cli {

class TerminalOutput {
 public:
  // The lane of a run for one calculator.
  static constexpr int kOnlyLane = 0;

  // How progress shows on stderr: not at all (--json, --quiet), a bar for
  // each lane, or every lane a line of one block.
  using ProgressStyle = std::variant<std::monostate, ProgressBar::Style, ProgressBlock::Screen>;

  TerminalOutput(std::ostream& out, std::ostream& err, const ProgressStyle& progress);
  TerminalOutput(const TerminalOutput&) = delete;
  TerminalOutput& operator=(const TerminalOutput&) = delete;

  void Out(std::string_view line);
  void Err(std::string_view line);

  // The progress of one transfer in `lane`, from its start to its last line.
  void BeginProgress(int lane, std::string label, long long totalBlocks,
                     ProgressBar::Clock::time_point now);
  void Progress(int lane, long long doneBlocks, ProgressBar::Clock::time_point now);
  void NoAnswerFor(int lane, ProgressBar::Clock::duration waited,
                   ProgressBar::Clock::time_point now);
  void EndProgress(int lane, bool completed, ProgressBar::Clock::time_point now);

 private:
  void Write(std::ostream& stream, std::string_view line);
  [[nodiscard]] ProgressBar* Bar(int lane);

  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& err_;
  std::optional<ProgressBar::Style> barStyle_;
  std::map<int, ProgressBar> bars_;
  std::optional<ProgressBlock> block_;
};

}  // namespace usblink::cli
