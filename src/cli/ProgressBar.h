#pragma once
// The progress of one transfer on stderr. On a terminal it is one line drawn
// over itself, as wide as the terminal; elsewhere (a file, a pipe) a plain
// line at every tenth of the way. Either way the transfer ends with a line
// that stays: what was done in what time, or where it stopped.

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/ProgressLine.h"

namespace usblink::cli {

class ProgressBar {
 public:
  using Clock = ProgressLine::Clock;

  struct Style {
    // A terminal: one line redrawn in place. Otherwise plain lines.
    bool live = true;
    // The terminal erases a line on an escape sequence; without one, as on a
    // Windows console without virtual-terminal processing, the bar is redrawn
    // over itself after a carriage return, blanks clearing the rest.
    bool escapes = true;
    // The terminal's width, asked at each redraw.
    std::function<int()> columns = [] { return 80; };
  };

  // `label` names the phase, e.g. "download 2/2". A live bar shows at once.
  ProgressBar(std::ostream& terminal, Style style, std::string label, long long totalBlocks,
              Clock::time_point start);

  // Redraws at most ten times a second, and always at the last block.
  void Update(long long doneBlocks, Clock::time_point now);
  // The running exchange has waited `waited` for its answer.
  void NoAnswerFor(Clock::duration waited, Clock::time_point now);
  // Takes the live line away so another line can be written; Show draws it again.
  void Hide();
  void Show();
  // Leaves the last line; nothing is drawn after it.
  void Finish(bool completed, Clock::time_point now);

 private:
  void Redraw(Clock::time_point now);
  void Draw(std::string_view text);
  void Print(const std::string& line);

  std::ostream& terminal_;
  Style style_;
  ProgressLine line_;
  Clock::time_point lastDrawn_{};
  long long tenthsPrinted_ = 0;      // plain lines: the last tenth printed
  long long stallLinesPrinted_ = 0;  // plain lines: for the running exchange
  std::size_t drawnLength_ = 0;
  bool shown_ = false;
  bool finished_ = false;
};

}  // namespace usblink::cli
