#include "cli/TerminalOutput.h"

namespace usblink::cli {

TerminalOutput::TerminalOutput(std::ostream& out, std::ostream& err,
                               const std::optional<ProgressView::Screen>& progress)
    : out_(out), err_(err) {
  if (progress) progress_.emplace(err_, *progress);
}

void TerminalOutput::Write(std::ostream& stream, std::string_view line) {
  const std::lock_guard lock(mutex_);
  if (progress_) progress_->Hide();
  stream << line << '\n' << std::flush;
  if (progress_) progress_->Show();
}

void TerminalOutput::Out(std::string_view line) { Write(out_, line); }

void TerminalOutput::Err(std::string_view line) { Write(err_, line); }

void TerminalOutput::BeginProgress(int lane, std::string label, long long totalBlocks,
                                   Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (progress_) progress_->Begin(lane, std::move(label), totalBlocks, now);
}

void TerminalOutput::Progress(int lane, long long doneBlocks, Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (progress_) progress_->Update(lane, doneBlocks, now);
}

void TerminalOutput::NoAnswerFor(int lane, Clock::duration waited, Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (progress_) progress_->NoAnswerFor(lane, waited, now);
}

void TerminalOutput::EndProgress(int lane, bool completed, Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (progress_) progress_->Finish(lane, completed, now);
}

}  // namespace usblink::cli
