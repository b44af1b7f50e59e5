#include "cli/ProgressBar.h"

#include <algorithm>

namespace usblink::cli {

namespace {

using namespace std::chrono_literals;

// Plain lines say a stall at every multiple of this.
constexpr auto kStallLineInterval = 5s;

}  // namespace

ProgressBar::ProgressBar(std::ostream& terminal, Style style, std::string label,
                         long long totalBlocks, Clock::time_point start)
    : terminal_(terminal), style_(std::move(style)), line_(std::move(label), totalBlocks, start) {
  if (style_.live) Redraw(start);
}

void ProgressBar::Update(long long doneBlocks, Clock::time_point now) {
  if (finished_) return;
  line_.Update(doneBlocks);
  stallLinesPrinted_ = 0;
  if (!style_.live) {
    const long long tenths = line_.DoneBlocks() * 10 / line_.TotalBlocks();
    // The last tenth is the final line's.
    if (tenths > tenthsPrinted_ && tenths < 10) Print(line_.Plain());
    tenthsPrinted_ = std::max(tenthsPrinted_, tenths);
    return;
  }
  if (shown_ && !line_.Complete() && now - lastDrawn_ < ProgressLine::kRedrawInterval) return;
  Redraw(now);
}

void ProgressBar::NoAnswerFor(Clock::duration waited, Clock::time_point now) {
  if (finished_ || !line_.NoAnswerFor(waited)) return;
  if (!line_.Stalled()) stallLinesPrinted_ = 0;
  if (!style_.live) {
    const long long lines = waited / kStallLineInterval;
    if (line_.Stalled() && lines > stallLinesPrinted_) {
      stallLinesPrinted_ = lines;
      Print(line_.NoAnswerPlain(lines * kStallLineInterval));
    }
    return;
  }
  Redraw(now);
}

void ProgressBar::Hide() {
  if (!style_.live || !shown_) return;
  Draw("");
  if (!style_.escapes) terminal_ << '\r' << std::flush;
  shown_ = false;
}

void ProgressBar::Show() {
  if (!style_.live || shown_ || finished_) return;
  Draw(line_.Live(lastDrawn_, style_.columns()));
}

void ProgressBar::Finish(bool completed, Clock::time_point now) {
  if (finished_) return;
  const std::string line = line_.Final(completed, now);
  if (style_.live) {
    Draw(line);
    terminal_ << '\n' << std::flush;
    drawnLength_ = 0;
    shown_ = false;
  } else {
    Print(line);
  }
  finished_ = true;
}

void ProgressBar::Redraw(Clock::time_point now) {
  lastDrawn_ = now;
  Draw(line_.Live(now, style_.columns()));
}

void ProgressBar::Draw(std::string_view text) {
  terminal_ << '\r';
  if (style_.escapes) {
    terminal_ << "\033[K" << text;
  } else {
    terminal_ << text << std::string(drawnLength_ - std::min(drawnLength_, text.size()), ' ');
  }
  terminal_ << std::flush;
  drawnLength_ = text.size();
  shown_ = !text.empty();
}

void ProgressBar::Print(const std::string& line) { terminal_ << line << '\n' << std::flush; }

}  // namespace usblink::cli
