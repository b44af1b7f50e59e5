#pragma once
// Standard output and standard error of one run, shared by everything that
// writes to them: each line goes out whole, and the progress line on stderr
// is taken away and drawn again around it, so the two never mix.

#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/ProgressBar.h"

namespace usblink::cli {

class TerminalOutput {
 public:
  // Without a progress style no progress is shown (--json, --quiet).
  TerminalOutput(std::ostream& out, std::ostream& err, std::optional<ProgressBar::Style> progress);
  TerminalOutput(const TerminalOutput&) = delete;
  TerminalOutput& operator=(const TerminalOutput&) = delete;

  void Out(std::string_view line);
  void Err(std::string_view line);

  // The progress of one transfer, from its start to its last line.
  void BeginProgress(std::string label, long long totalBlocks, ProgressBar::Clock::time_point now);
  void Progress(long long doneBlocks, ProgressBar::Clock::time_point now);
  void NoAnswerFor(ProgressBar::Clock::duration waited, ProgressBar::Clock::time_point now);
  void EndProgress(bool completed, ProgressBar::Clock::time_point now);

 private:
  void Write(std::ostream& stream, std::string_view line);

  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& err_;
  std::optional<ProgressBar::Style> progressStyle_;
  std::optional<ProgressBar> bar_;
};

}  // namespace usblink::cli
