#pragma once
// The progress bar drawn on a terminal during a transfer.

#include <chrono>
#include <ostream>
#include <string>

namespace usblink::cli {

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  // `escapes`: the terminal erases the line on an escape sequence; without
  // one, as on a Windows console without virtual-terminal processing, the bar
  // is redrawn over itself after a carriage return, blanks clearing the rest.
  ProgressBar(std::ostream& terminal, std::string title, long long totalBytes, bool escapes);
  // Redraws at most ten times a second, and always at the end.
  void Update(long long doneBytes);
  // Removes the bar so other lines can be written; the next update redraws it.
  void Erase();
  void Finish();

  // The bar's text for a state, e.g. "download [#####     ]  50%  131072/262144 B  12.3 KiB/s  0:10
  // left".
  static std::string Render(std::string_view title, long long doneBytes, long long totalBytes,
                            Clock::duration elapsed);

 private:
  // Replaces what the bar shows with `text`.
  void Draw(std::string_view text);

  std::ostream& terminal_;
  std::string title_;
  bool escapes_;
  std::size_t drawnLength_ = 0;
  long long totalBytes_;
  long long doneBytes_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastDrawn_{};
  bool shown_ = false;
};

}  // namespace usblink::cli
