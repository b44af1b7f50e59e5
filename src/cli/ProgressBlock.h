#pragma once
// The progress of several transfers at once on a terminal that takes escape
// sequences: a block of live lines, one a lane in lane order, below all else
// written to the terminal and redrawn over itself. The cursor rests at the
// start of the line below the block. A lane's last line stays above the
// block, which goes on without it; the block never grows taller than the
// terminal, those past its height are counted on a line of their own.

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "cli/ProgressLine.h"

namespace usblink::cli {

class ProgressBlock {
 public:
  using Clock = ProgressLine::Clock;

  // The terminal's size, asked at each redraw.
  struct Screen {
    std::function<int()> columns;
    std::function<int()> rows;
  };

  ProgressBlock(std::ostream& terminal, Screen screen);

  // A transfer in `lane` begins, its line shown at once; `label` names the
  // calculator and the phase, e.g. "[2] download 1/2".
  void Begin(int lane, std::string label, long long totalBlocks, Clock::time_point now);
  // The block is redrawn at most ten times a second, and always when a
  // transfer reaches its last block or a wait for an answer changes.
  void Update(int lane, long long doneBlocks, Clock::time_point now);
  void NoAnswerFor(int lane, Clock::duration waited, Clock::time_point now);
  // The lane's last line goes above the block, which is drawn without it.
  void Finish(int lane, bool completed, Clock::time_point now);

  // Takes the block away so another line can be written where it was; Show
  // draws it again below that line.
  void Hide();
  void Show();

 private:
  // The lines the block shows at `now`.
  [[nodiscard]] std::vector<std::string> Lines(Clock::time_point now) const;
  // Draws the block at `now` over what of it is drawn.
  void Draw(Clock::time_point now);
  // Back up to the block's first line.
  void Up();

  std::ostream& terminal_;
  Screen screen_;
  std::map<int, ProgressLine> lanes_;
  Clock::time_point lastDrawn_{};
  std::size_t drawnLines_ = 0;
};

}  // namespace usblink::cli
