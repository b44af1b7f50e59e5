#include "cli/ProgressView.h"

#include <algorithm>

namespace usblink::cli {

namespace {

using namespace std::chrono_literals;

// What is drawn is drawn again at most this often.
constexpr auto kRedrawInterval = 100ms;
// Plain lines say a stall at every multiple of this.
constexpr auto kStallLineInterval = 5s;

}  // namespace

ProgressView::ProgressView(std::ostream& terminal, Screen screen)
    : terminal_(terminal), screen_(std::move(screen)) {}

void ProgressView::Begin(int lane, std::string label, long long totalBlocks,
                         Clock::time_point now) {
  lanes_.insert_or_assign(lane, Lane{ProgressLine(std::move(label), totalBlocks, now)});
  if (Drawn()) Draw(now);
}

void ProgressView::Update(int lane, long long doneBlocks, Clock::time_point now) {
  const auto found = lanes_.find(lane);
  if (found == lanes_.end()) return;
  Lane& updated = found->second;
  updated.line.Update(doneBlocks);
  if (!Drawn()) {
    updated.stallLinesPrinted = 0;
    const long long tenths = updated.line.DoneBlocks() * 10 / updated.line.TotalBlocks();
    // The last tenth is the final line's.
    if (tenths > updated.tenthsPrinted && tenths < 10) Print(updated.line.Plain());
    updated.tenthsPrinted = std::max(updated.tenthsPrinted, tenths);
    return;
  }
  if (!updated.line.Complete() && now - lastDrawn_ < kRedrawInterval) return;
  Draw(now);
}

void ProgressView::NoAnswerFor(int lane, Clock::duration waited, Clock::time_point now) {
  const auto found = lanes_.find(lane);
  if (found == lanes_.end()) return;
  Lane& waiting = found->second;
  if (!waiting.line.NoAnswerFor(waited)) return;
  if (Drawn()) {
    Draw(now);
    return;
  }
  if (!waiting.line.Stalled()) {
    waiting.stallLinesPrinted = 0;
    return;
  }
  const long long lines = waited / kStallLineInterval;
  if (lines > waiting.stallLinesPrinted) {
    waiting.stallLinesPrinted = lines;
    Print(waiting.line.NoAnswerPlain(lines * kStallLineInterval));
  }
}

void ProgressView::Finish(int lane, bool completed, Clock::time_point now) {
  const auto found = lanes_.find(lane);
  if (found == lanes_.end()) return;
  const std::string last = found->second.line.Final(completed, now);
  lanes_.erase(found);
  if (!Drawn()) {
    Print(last);
    return;
  }
  Clear(last);
  terminal_ << '\n';
  Draw(now);
}

void ProgressView::Hide() {
  if (drawn_.empty()) return;
  Clear("");
  // Blanks leave the cursor at the end of the line.
  if (screen_.drawing == Drawing::LineByBlanks) terminal_ << '\r';
  terminal_ << std::flush;
}

void ProgressView::Show() {
  if (Drawn() && drawn_.empty()) Draw(lastDrawn_);
}

std::vector<std::string> ProgressView::Lines(Clock::time_point now) const {
  const int columns = screen_.columns();
  // Below a block the cursor's line and one more: going back up to its first
  // line never runs into the top of the screen.
  const auto room = screen_.drawing == Drawing::Block
                        ? static_cast<std::size_t>(std::max(screen_.rows() - 2, 1))
                        : 1;
  const std::size_t shown = lanes_.size() <= room ? lanes_.size() : room - 1;
  std::vector<const ProgressLine*> drawn;
  std::size_t labelWidth = 0;
  for (const auto& [lane, state] : lanes_) {
    if (drawn.size() == shown) break;
    drawn.push_back(&state.line);
    labelWidth = std::max(labelWidth, state.line.Label().size());
  }
  std::vector<std::string> lines;
  for (const auto* line : drawn) lines.push_back(line->Live(now, columns, labelWidth));
  if (shown < lanes_.size()) {
    const std::string more = "... and " + std::to_string(lanes_.size() - shown) + " more";
    lines.push_back(more.substr(0, static_cast<std::size_t>(std::max(columns - 1, 1))));
  }
  return lines;
}

void ProgressView::Draw(Clock::time_point now) {
  const auto lines = Lines(now);
  const bool block = screen_.drawing == Drawing::Block;
  Up();
  for (std::size_t row = 0; row < lines.size(); ++row) {
    Overwrite(row, lines[row]);
    // The cursor rests below a block, and on a line.
    if (block) terminal_ << '\n';
  }
  // What is left of a taller block.
  if (block && lines.size() < drawn_.size()) terminal_ << "\033[J";
  terminal_ << std::flush;
  drawn_.resize(lines.size());
  std::ranges::transform(lines, drawn_.begin(), &std::string::size);
  lastDrawn_ = now;
}

void ProgressView::Clear(std::string_view staying) {
  if (!drawn_.empty()) {
    Up();
    if (screen_.drawing == Drawing::Block) {
      terminal_ << "\r\033[J" << staying;
    } else {
      Overwrite(0, staying);
    }
  } else {
    terminal_ << staying;
  }
  drawn_.clear();
}

void ProgressView::Overwrite(std::size_t row, std::string_view text) {
  terminal_ << '\r';
  if (screen_.drawing != Drawing::LineByBlanks) {
    terminal_ << "\033[K" << text;
    return;
  }
  const std::size_t before = row < drawn_.size() ? drawn_[row] : 0;
  terminal_ << text << std::string(before - std::min(before, text.size()), ' ');
}

void ProgressView::Up() {
  if (screen_.drawing == Drawing::Block && !drawn_.empty()) {
    terminal_ << "\033[" << drawn_.size() << 'A';
  }
}

void ProgressView::Print(const std::string& line) { terminal_ << line << '\n' << std::flush; }

}  // namespace usblink::cli
