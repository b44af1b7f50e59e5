#pragma once
// The progress of a run's transfers on stderr, each in a lane of its own (a
// calculator). On a terminal the lanes' live lines are drawn over
// themselves: for one calculator its line, the cursor on it; for several a
// block of lines, one a lane in lane order, the cursor at the start of the
// line below, never taller than the terminal (the lanes past its height are
// counted on a line of their own). Elsewhere each lane says a plain line at
// every tenth of the way and every five seconds without an answer. A
// transfer ends with a line that stays above what is still drawn: what was
// done in what time, or where it stopped.

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ProgressLine.h"

namespace usblink::cli {

class ProgressView {
 public:
  using Clock = ProgressLine::Clock;

  enum class Drawing {
    // A file, a pipe, or a console that cannot go up a line: nothing drawn over.
    PlainLines,
    // One line, erased by an escape sequence.
    Line,
    // One line without escape sequences, as on a Windows console without
    // virtual-terminal processing: after a carriage return, blanks clear the rest.
    LineByBlanks,
    // A line a lane, going back up over the block by escape sequences.
    Block,
  };

  struct Screen {
    Drawing drawing = Drawing::Line;
    // The terminal's size, asked at each redraw.
    std::function<int()> columns = [] { return 80; };
    std::function<int()> rows = [] { return 24; };
  };

  ProgressView(std::ostream& terminal, Screen screen);

  // A transfer in `lane` begins, its line drawn at once; `label` names the
  // calculator and the phase, e.g. "[2] download 1/2".
  void Begin(int lane, std::string label, long long totalBlocks, Clock::time_point now);
  // Drawn again at most ten times a second, and always when a transfer
  // reaches its last block or a wait for an answer changes.
  void Update(int lane, long long doneBlocks, Clock::time_point now);
  // The lane's running exchange has waited `waited` for its answer.
  void NoAnswerFor(int lane, Clock::duration waited, Clock::time_point now);
  // The lane's last line stays; what is drawn goes on without the lane.
  void Finish(int lane, bool completed, Clock::time_point now);

  // Takes what is drawn away so another line can be written where it was;
  // Show draws it again below that line.
  void Hide();
  void Show();

 private:
  struct Lane {
    ProgressLine line;
    long long tenthsPrinted = 0;      // plain lines: the last tenth printed
    long long stallLinesPrinted = 0;  // plain lines: for the running exchange
  };

  [[nodiscard]] bool Drawn() const { return screen_.drawing != Drawing::PlainLines; }
  // The lines drawn at `now`.
  [[nodiscard]] std::vector<std::string> Lines(Clock::time_point now) const;
  // Draws the lines at `now` over those drawn.
  void Draw(Clock::time_point now);
  // Takes the lines drawn away, `staying` written where the first one began.
  void Clear(std::string_view staying);
  // Writes `text` over the `row`-th line drawn, from its start.
  void Overwrite(std::size_t row, std::string_view text);
  // Back up to the first line drawn.
  void Up();
  void Print(const std::string& line);

  std::ostream& terminal_;
  Screen screen_;
  std::map<int, Lane> lanes_;
  Clock::time_point lastDrawn_{};
  // The length of each line drawn.
  std::vector<std::size_t> drawn_;
};

}  // namespace usblink::cli
