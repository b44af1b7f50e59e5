#include "cli/TerminalOutput.h"

namespace usblink::cli {

TerminalOutput::TerminalOutput(std::ostream& out, std::ostream& err,
                               std::optional<ProgressBar::Style> progress)
    : out_(out), err_(err), progressStyle_(std::move(progress)) {}

void TerminalOutput::Write(std::ostream& stream, std::string_view line) {
  const std::lock_guard lock(mutex_);
  if (bar_) bar_->Hide();
  stream << line << '\n' << std::flush;
  if (bar_) bar_->Show();
}

void TerminalOutput::Out(std::string_view line) { Write(out_, line); }

void TerminalOutput::Err(std::string_view line) { Write(err_, line); }

void TerminalOutput::BeginProgress(std::string label, long long totalBlocks,
                                   ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (progressStyle_) bar_.emplace(err_, *progressStyle_, std::move(label), totalBlocks, now);
}

void TerminalOutput::Progress(long long doneBlocks, ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (bar_) bar_->Update(doneBlocks, now);
}

void TerminalOutput::NoAnswerFor(ProgressBar::Clock::duration waited,
                                 ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (bar_) bar_->NoAnswerFor(waited, now);
}

void TerminalOutput::EndProgress(bool completed, ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (bar_) bar_->Finish(completed, now);
  bar_.reset();
}

}  // namespace usblink::cli
