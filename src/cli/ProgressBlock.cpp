#include "cli/ProgressBlock.h"

#include <algorithm>

namespace usblink::cli {

ProgressBlock::ProgressBlock(std::ostream& terminal, Screen screen)
    : terminal_(terminal), screen_(std::move(screen)) {}

void ProgressBlock::Begin(int lane, std::string label, long long totalBlocks,
                          Clock::time_point now) {
  lanes_.insert_or_assign(lane, ProgressLine(std::move(label), totalBlocks, now));
  Draw(now);
}

void ProgressBlock::Update(int lane, long long doneBlocks, Clock::time_point now) {
  const auto found = lanes_.find(lane);
  if (found == lanes_.end()) return;
  found->second.Update(doneBlocks);
  if (!found->second.Complete() && now - lastDrawn_ < ProgressLine::kRedrawInterval) return;
  Draw(now);
}

void ProgressBlock::NoAnswerFor(int lane, Clock::duration waited, Clock::time_point now) {
  const auto found = lanes_.find(lane);
  if (found != lanes_.end() && found->second.NoAnswerFor(waited)) Draw(now);
}

void ProgressBlock::Finish(int lane, bool completed, Clock::time_point now) {
  const auto found = lanes_.find(lane);
  if (found == lanes_.end()) return;
  Hide();
  terminal_ << found->second.Final(completed, now) << '\n';
  lanes_.erase(found);
  Draw(now);
}

void ProgressBlock::Hide() {
  if (drawnLines_ == 0) return;
  Up();
  terminal_ << "\r\033[J" << std::flush;
  drawnLines_ = 0;
}

void ProgressBlock::Show() {
  if (drawnLines_ == 0) Draw(lastDrawn_);
}

std::vector<std::string> ProgressBlock::Lines(Clock::time_point now) const {
  const int columns = screen_.columns();
  // The cursor's line below the block and one more: going back up to its
  // first line never runs into the top of the screen.
  const auto room = static_cast<std::size_t>(std::max(screen_.rows() - 2, 1));
  const std::size_t shown = lanes_.size() <= room ? lanes_.size() : room - 1;
  std::vector<const ProgressLine*> drawn;
  std::size_t labelWidth = 0;
  for (const auto& [lane, line] : lanes_) {
    if (drawn.size() == shown) break;
    drawn.push_back(&line);
    labelWidth = std::max(labelWidth, line.Label().size());
  }
  std::vector<std::string> lines;
  for (const auto* line : drawn) lines.push_back(line->Live(now, columns, labelWidth));
  if (shown < lanes_.size()) {
    const std::string more = "... and " + std::to_string(lanes_.size() - shown) + " more";
    lines.push_back(more.substr(0, static_cast<std::size_t>(std::max(columns - 1, 1))));
  }
  return lines;
}

void ProgressBlock::Draw(Clock::time_point now) {
  const auto lines = Lines(now);
  Up();
  for (const auto& line : lines) terminal_ << "\r\033[K" << line << '\n';
  // What is left of a taller block.
  if (lines.size() < drawnLines_) terminal_ << "\033[J";
  terminal_ << std::flush;
  drawnLines_ = lines.size();
  lastDrawn_ = now;
}

void ProgressBlock::Up() {
  if (drawnLines_ > 0) terminal_ << "\033[" << drawnLines_ << 'A';
}

}  // namespace usblink::cli
