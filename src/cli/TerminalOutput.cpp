#include "cli/TerminalOutput.h"

namespace usblink::cli {

TerminalOutput::TerminalOutput(std::ostream& out, std::ostream& err,
                               std::optional<ProgressBar::Style> progress)
    : out_(out), err_(err), progressStyle_(std::move(progress)) {}

void TerminalOutput::Write(std::ostream& stream, std::string_view line) {
  const std::lock_guard lock(mutex_);
  for (auto& [lane, bar] : bars_) bar.Hide();
  stream << line << '\n' << std::flush;
  for (auto& [lane, bar] : bars_) bar.Show();
}

void TerminalOutput::Out(std::string_view line) { Write(out_, line); }

void TerminalOutput::Err(std::string_view line) { Write(err_, line); }

ProgressBar* TerminalOutput::Bar(int lane) {
  const auto found = bars_.find(lane);
  return found == bars_.end() ? nullptr : &found->second;
}

void TerminalOutput::BeginProgress(int lane, std::string label, long long totalBlocks,
                                   ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  bars_.erase(lane);
  if (progressStyle_) {
    bars_.try_emplace(lane, err_, *progressStyle_, std::move(label), totalBlocks, now);
  }
}

void TerminalOutput::Progress(int lane, long long doneBlocks, ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (auto* bar = Bar(lane)) bar->Update(doneBlocks, now);
}

void TerminalOutput::NoAnswerFor(int lane, ProgressBar::Clock::duration waited,
                                 ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (auto* bar = Bar(lane)) bar->NoAnswerFor(waited, now);
}

void TerminalOutput::EndProgress(int lane, bool completed, ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (auto* bar = Bar(lane)) bar->Finish(completed, now);
  bars_.erase(lane);
}

}  // namespace usblink::cli
