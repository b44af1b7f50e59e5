#include "cli/TerminalOutput.h"

namespace usblink::cli {

TerminalOutput::TerminalOutput(std::ostream& out, std::ostream& err, const ProgressStyle& progress)
    : out_(out), err_(err) {
  if (const auto* style = std::get_if<ProgressBar::Style>(&progress)) barStyle_ = *style;
  if (const auto* screen = std::get_if<ProgressBlock::Screen>(&progress)) {
    block_.emplace(err_, *screen);
  }
}

void TerminalOutput::Write(std::ostream& stream, std::string_view line) {
  const std::lock_guard lock(mutex_);
  for (auto& [lane, bar] : bars_) bar.Hide();
  if (block_) block_->Hide();
  stream << line << '\n' << std::flush;
  for (auto& [lane, bar] : bars_) bar.Show();
  if (block_) block_->Show();
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
  if (block_) {
    block_->Begin(lane, std::move(label), totalBlocks, now);
  } else if (barStyle_) {
    bars_.try_emplace(lane, err_, *barStyle_, std::move(label), totalBlocks, now);
  }
}

void TerminalOutput::Progress(int lane, long long doneBlocks, ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (block_) block_->Update(lane, doneBlocks, now);
  if (auto* bar = Bar(lane)) bar->Update(doneBlocks, now);
}

void TerminalOutput::NoAnswerFor(int lane, ProgressBar::Clock::duration waited,
                                 ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (block_) block_->NoAnswerFor(lane, waited, now);
  if (auto* bar = Bar(lane)) bar->NoAnswerFor(waited, now);
}

void TerminalOutput::EndProgress(int lane, bool completed, ProgressBar::Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (block_) block_->Finish(lane, completed, now);
  if (auto* bar = Bar(lane)) bar->Finish(completed, now);
  bars_.erase(lane);
}

}  // namespace usblink::cli
