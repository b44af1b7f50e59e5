// The progress of a run's transfers: the line of one calculator and the
// block of several on a terminal, byte for byte and as a terminal shows them,
// on a clock the test sets: their width, their redraws, the stall note, the
// block's height, the plain lines where nothing can be drawn over and the
// lines that stay at the end.

#include "cli/ProgressView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"
#include "cli/TerminalOutput.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;
using cli::ProgressView;
using cli::TerminalOutput;
using Drawing = ProgressView::Drawing;

const ProgressView::Clock::time_point kStart{};
// The lane of a run for one calculator.
constexpr int kLane = TerminalOutput::kOnlyLane;

// The line a terminal shows after `output`: a carriage return goes back to
// its start, an erase-line escape clears from there, other characters
// overwrite; blanks at the end are not seen.
std::string VisibleLine(const std::string& output) {
  std::string line;
  std::size_t column = 0;
  for (std::size_t at = 0; at < output.size(); ++at) {
    const char character = output[at];
    if (character == '\r') {
      column = 0;
    } else if (output.compare(at, 3, "\033[K") == 0) {
      line.resize(column);
      at += 2;
    } else if (character == '\n') {
      line.clear();
      column = 0;
    } else {
      if (column == line.size())
        line += character;
      else
        line[column] = character;
      ++column;
    }
  }
  return line.substr(0, line.find_last_not_of(' ') + 1);
}

// The lines ended by a line feed, each as the terminal shows it.
std::vector<std::string> FinishedLines(const std::string& output) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(VisibleLine(output.substr(start, end - start)));
  }
  return lines;
}

// What was written since the last call, taken from `terminal`.
std::string Taken(std::ostringstream& terminal) {
  std::string written = terminal.str();
  terminal.str("");
  return written;
}

// The lines a terminal shows after `output`, one below the other without
// scrolling: a carriage return goes to the line's start, a line feed to the
// next line's, "\033[nA" n lines up, "\033[K" erases the rest of the line and
// "\033[J" the rest of the screen. An empty last line is the cursor's.
std::vector<std::string> Screen(const std::string& output) {
  std::vector<std::string> lines(1);
  std::size_t row = 0;
  std::size_t column = 0;
  const std::regex up("^\033\\[([0-9]+)A");
  for (std::size_t at = 0; at < output.size(); ++at) {
    std::smatch moved;
    const std::string rest = output.substr(at, 8);
    if (output[at] == '\r') {
      column = 0;
    } else if (output[at] == '\n') {
      column = 0;
      if (++row == lines.size()) lines.emplace_back();
    } else if (rest.starts_with("\033[K")) {
      lines[row].resize(std::min(lines[row].size(), column));
      at += 2;
    } else if (rest.starts_with("\033[J")) {
      lines[row].resize(std::min(lines[row].size(), column));
      lines.resize(row + 1);
      at += 2;
    } else if (std::regex_search(rest, moved, up)) {
      const auto count = std::stoul(moved[1]);
      EXPECT_LE(count, row) << "up past the first line";
      row -= std::min<std::size_t>(count, row);
      at += static_cast<std::size_t>(moved.length(0)) - 1;
    } else {
      EXPECT_NE(output[at], '\033') << "an escape the terminal does not know";
      if (column >= lines[row].size()) lines[row].resize(column + 1, ' ');
      lines[row][column++] = output[at];
    }
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

// One calculator's line on a terminal `columns` wide.
ProgressView::Screen Line(bool escapes = true, int columns = 80) {
  return {escapes ? Drawing::Line : Drawing::LineByBlanks, [columns] { return columns; }};
}

ProgressView::Screen Sized(int columns, int rows) {
  return {Drawing::Block, [columns] { return columns; }, [rows] { return rows; }};
}

TEST(ProgressLineTest, TheLineFitsEveryWidthAndKeepsTheLabelAndThePercentage) {
  for (const int columns : {12, 20, 30, 45, 60, 80, 120, 300}) {
    for (const bool stalled : {false, true}) {
      cli::ProgressLine::State state{"download 2/2", 512, 1024, 10s, std::nullopt};
      if (stalled) state.noAnswer = 7s;
      const std::string line = cli::ProgressLine::Render(state, columns);
      EXPECT_LE(line.size(), static_cast<std::size_t>(columns - 1)) << line;
      EXPECT_TRUE(line.starts_with(columns > 16 ? "download 2/2 " : "download 2/")) << line;
      if (columns >= 30) {
        EXPECT_NE(line.find(" 50%"), std::string::npos) << line;
      }
      if (columns >= 45 && stalled) {
        EXPECT_TRUE(line.ends_with("no answer for 7 s")) << line;
      }
    }
  }
  // Wide: the whole bar, the bytes, the speed and the time left; narrow: the bar shrinks first.
  EXPECT_EQ(cli::ProgressLine::Render({"read", 512, 1024, 10s, std::nullopt}, 120),
            "read [############            ]  50%  131072/262144 B  12.8 KiB/s  0:10 left");
  EXPECT_EQ(cli::ProgressLine::Render({"read", 512, 1024, 10s, std::nullopt}, 70),
            "read [########         ]  50%  131072/262144 B  12.8 KiB/s  0:10 left");
  EXPECT_EQ(cli::ProgressLine::Render({"read", 512, 1024, 10s, std::nullopt}, 40),
            "read [#####     ]  50%  131072/262144 B");
  EXPECT_EQ(cli::ProgressLine::Render({"read", 512, 1024, 10s, 3s}, 50),
            "read [#########         ]  50%  no answer for 3 s");
}

TEST(ProgressViewTest, ALiveBarShowsAtOnceRedrawsTenTimesASecondAndAlwaysAtTheEnd) {
  std::ostringstream terminal;
  ProgressView bar(terminal, Line());
  bar.Begin(kLane, "read", 1024, kStart);
  EXPECT_TRUE(VisibleLine(terminal.str()).starts_with("read [                        ]   0%"));
  const auto redraws = [&] { return std::ranges::count(terminal.str(), '\r'); };
  const auto before = redraws();
  for (int block = 1; block <= 1023; ++block) bar.Update(kLane, block, kStart + block * 1ms);
  // 1,023 ms of blocks: a redraw every 100 ms.
  EXPECT_EQ(redraws() - before, 10);
  bar.Update(kLane, 1024, kStart + 1024ms);
  EXPECT_EQ(redraws() - before, 11);
  EXPECT_TRUE(VisibleLine(terminal.str()).starts_with("read [########################] 100%"));
}

TEST(ProgressViewTest, AStallIsSaidOnTheLineUntilTheNextBlock) {
  std::ostringstream terminal;
  ProgressView bar(terminal, Line());
  bar.Begin(kLane, "download", 100, kStart);
  bar.Update(kLane, 40, kStart + 1s);
  bar.NoAnswerFor(kLane, 400ms, kStart + 2s);
  EXPECT_EQ(VisibleLine(terminal.str()).find("no answer"), std::string::npos);
  bar.NoAnswerFor(kLane, 3200ms, kStart + 4s);
  EXPECT_TRUE(VisibleLine(terminal.str()).ends_with("  40%  10240/25600 B  no answer for 3 s"))
      << VisibleLine(terminal.str());
  const auto drawn = terminal.str().size();
  bar.NoAnswerFor(kLane, 3900ms, kStart + 4700ms);  // the same whole second: nothing to redraw
  EXPECT_EQ(terminal.str().size(), drawn);
  bar.NoAnswerFor(kLane, 7s, kStart + 8s);
  EXPECT_TRUE(VisibleLine(terminal.str()).ends_with("no answer for 7 s"));
  bar.Update(kLane, 41, kStart + 9s);
  EXPECT_EQ(VisibleLine(terminal.str()).find("no answer"), std::string::npos);
  bar.NoAnswerFor(kLane, 12s, kStart + 21s);
  bar.Finish(kLane, false, kStart + 21s);
  EXPECT_EQ(FinishedLines(terminal.str()).back(),
            "download stopped after 41 of 100 blocks (10496/25600 B, 41%) in 21.0 s, no answer "
            "for 12 s");
}

TEST(ProgressViewTest, TheLastLineStaysAndSaysWhatWasDoneOrWhereItStopped) {
  for (const Drawing drawing : {Drawing::Line, Drawing::PlainLines}) {
    std::ostringstream done;
    ProgressView whole(done, {drawing});
    whole.Begin(kLane, "backup 1/2", 1024, kStart);
    whole.Update(kLane, 1024, kStart + 41500ms);
    whole.Finish(kLane, true, kStart + 42s);
    EXPECT_EQ(FinishedLines(done.str()).back(), "backup 1/2 done: 262144 B in 42.0 s");
    EXPECT_TRUE(done.str().ends_with("\n"));

    std::ostringstream stopped;
    ProgressView cut(stopped, {drawing});
    cut.Begin(kLane, "download 2/2", 257, kStart);
    cut.Update(kLane, 33, kStart + 2s);
    cut.Finish(kLane, false, kStart + 95s);
    EXPECT_EQ(FinishedLines(stopped.str()).back(),
              "download 2/2 stopped after 33 of 257 blocks (8448/65792 B, 12%) in 1:35");
    // Nothing is drawn after the last line.
    const auto size = stopped.str().size();
    cut.Update(kLane, 34, kStart + 96s);
    cut.NoAnswerFor(kLane, 5s, kStart + 97s);
    cut.Show();
    EXPECT_EQ(stopped.str().size(), size);
  }
}

TEST(ProgressViewTest, OffATerminalAPlainLineEveryTenthAndEveryFiveSecondsOfSilence) {
  std::ostringstream log;
  ProgressView bar(log, {Drawing::PlainLines});
  bar.Begin(kLane, "read", 1024, kStart);
  for (int block = 1; block <= 600; ++block) bar.Update(kLane, block, kStart + block * 10ms);
  bar.NoAnswerFor(kLane, 4s, kStart + 10s);
  bar.NoAnswerFor(kLane, 5200ms, kStart + 11s);
  bar.NoAnswerFor(kLane, 9s, kStart + 15s);
  bar.NoAnswerFor(kLane, 10100ms, kStart + 16s);
  for (int block = 601; block <= 1024; ++block) bar.Update(kLane, block, kStart + 20s);
  bar.Finish(kLane, true, kStart + 20s);
  const std::vector<std::string> expected{
      "read  10%  26368/262144 B",  "read  20%  52480/262144 B",  "read  30%  78848/262144 B",
      "read  40%  104960/262144 B", "read  50%  131072/262144 B", "read: no answer for 5 s",
      "read: no answer for 10 s",   "read  60%  157440/262144 B", "read  70%  183552/262144 B",
      "read  80%  209920/262144 B", "read  90%  236032/262144 B", "read done: 262144 B in 20.0 s"};
  EXPECT_EQ(FinishedLines(log.str()), expected);
  EXPECT_EQ(log.str().find('\r'), std::string::npos);
}

TEST(ProgressViewTest, WithoutEscapesARedrawAndAHideLeaveNothingBehind) {
  std::ostringstream console;
  ProgressView bar(console, Line(false, 120));
  bar.Begin(kLane, "download", 1024, kStart);
  bar.Update(kLane, 512, kStart + 1s);
  const std::string half = VisibleLine(console.str());
  EXPECT_TRUE(half.starts_with("download [############            ]  50%  131072/262144 B"))
      << half;
  bar.Hide();
  EXPECT_EQ(VisibleLine(console.str()), "");
  bar.Show();
  EXPECT_EQ(VisibleLine(console.str()), half);
  bar.Update(kLane, 1024, kStart + 2s);
  EXPECT_TRUE(VisibleLine(console.str())
                  .starts_with("download [########################] 100%  262144/262144 B"));
  bar.Hide();
  EXPECT_EQ(VisibleLine(console.str()), "");
  EXPECT_EQ(console.str().find('\033'), std::string::npos);
  EXPECT_TRUE(console.str().ends_with('\r'));  // ready for the next line
}

testing::CliWorld EscapesTaken(bool taken) {
  testing::CliWorld world;
  world.errTakesEscapes = taken;
  return world;
}

TEST(ProgressViewTest, TheCommandLineDrawsWithoutEscapesWhereTheConsoleHasNone) {
  const testing::TempDirectory directory;
  const auto image = directory.Write("image.UD", testing::Pattern(768)).string();
  const auto plain = testing::RunCli({"--simulate", "download", image}, true, EscapesTaken(false));
  ASSERT_EQ(plain.status, kExitSuccess) << plain.err;
  EXPECT_TRUE(plain.err.starts_with("\rdownload [")) << plain.err;
  EXPECT_EQ(plain.err.find('\033'), std::string::npos) << plain.err;
  const auto withEscapes =
      testing::RunCli({"--simulate", "download", image}, true, EscapesTaken(true));
  EXPECT_NE(withEscapes.err.find("\r\033[K"), std::string::npos) << withEscapes.err;
}

TEST(ProgressViewTest, TwoLanesAreDrawnUpdatedAndFinishedAroundTheLinesWrittenAboveThem) {
  std::ostringstream terminal;
  TerminalOutput output(terminal, terminal, Sized(72, 24));
  output.BeginProgress(1, "[1] download", 100, kStart);
  EXPECT_EQ(Taken(terminal), "\r\033[K[1] download [                        ]   0%  0/25600 B\n");

  // A second lane: the labels padded alike, so the bars line up.
  output.BeginProgress(2, "[2] download 1/2", 400, kStart);
  const std::string first = "[1] download     [                        ]   0%  0/25600 B";
  const std::string second = "[2] download 1/2 [                        ]   0%  0/102400 B";
  EXPECT_EQ(Taken(terminal), "\033[1A\r\033[K" + first + "\n\r\033[K" + second + "\n");

  output.Progress(1, 50, kStart + 1s);
  const std::string half =
      "[1] download     [##########          ]  50%  12800/25600 B  12.5 KiB/s";
  EXPECT_EQ(Taken(terminal), "\033[2A\r\033[K" + half + "\n\r\033[K" + second + "\n");
  // Within a tenth of a second of the last redraw, whichever lane it was for.
  output.Progress(2, 10, kStart + 1050ms);
  EXPECT_EQ(Taken(terminal), "");
  output.Progress(2, 20, kStart + 1100ms);
  const std::string halfLater =
      "[1] download     [##########          ]  50%  12800/25600 B  11.4 KiB/s";
  const std::string twenty =
      "[2] download 1/2 [          ]   5%  5120/102400 B  4.5 KiB/s  0:20 left";
  EXPECT_EQ(Taken(terminal), "\033[2A\r\033[K" + halfLater + "\n\r\033[K" + twenty + "\n");

  // A line of stdout on the same terminal: the block goes below it.
  output.Out("[1] Bank 0 written");
  EXPECT_EQ(Taken(terminal), "\033[2A\r\033[J[1] Bank 0 written\n\r\033[K" + halfLater +
                                 "\n\r\033[K" + twenty + "\n");

  // The last block is always drawn; the lane's last line then stays above.
  output.Progress(1, 100, kStart + 1150ms);
  const auto whole = Taken(terminal);
  EXPECT_NE(whole.find("[1] download     [####################] 100%"), std::string::npos) << whole;
  output.EndProgress(1, true, kStart + 2s);
  const std::string twentyLater =
      "[2] download 1/2 [          ]   5%  5120/102400 B  2.5 KiB/s  0:38 left";
  EXPECT_EQ(Taken(terminal),
            "\033[2A\r\033[J[1] download done: 25600 B in 2.0 s\n\r\033[K" + twentyLater + "\n");
  output.Progress(1, 100, kStart + 3s);  // a lane that has ended is not drawn again
  EXPECT_EQ(Taken(terminal), "");

  // A stall is said at once, however recent the last redraw.
  output.NoAnswerFor(2, 3s, kStart + 2010ms);
  const std::string stalled =
      "[2] download 1/2 [             ]   5%  5120/102400 B  no answer for 3 s";
  EXPECT_EQ(Taken(terminal), "\033[1A\r\033[K" + stalled + "\n");
  output.EndProgress(2, false, kStart + 5s);
  EXPECT_EQ(Taken(terminal),
            "\033[1A\r\033[J[2] download 1/2 stopped after 20 of 400 blocks (5120/102400 B, 5%) "
            "in 5.0 s, no answer for 3 s\n");
  // No block left: a line is written as it is.
  output.Err("[2] Error: the calculator stopped answering");
  EXPECT_EQ(Taken(terminal), "[2] Error: the calculator stopped answering\n");
}

TEST(ProgressViewTest, TheBlockIsNeverTallerThanTheTerminalLessTwoLines) {
  std::ostringstream terminal;
  int rows = 5;
  ProgressView block(terminal, {Drawing::Block, [] { return 60; }, [&rows] { return rows; }});
  for (int lane = 1; lane <= 5; ++lane) {
    block.Begin(lane, "[" + std::to_string(lane) + "] read", 100, kStart);
  }
  const auto shown = [&] {
    std::vector<std::string> labels;
    for (const auto& line : Screen(terminal.str())) labels.push_back(line.substr(0, 8));
    return labels;
  };
  EXPECT_EQ(shown(), (std::vector<std::string>{"[1] read", "[2] read", "... and "}));
  EXPECT_EQ(Screen(terminal.str()).back(), "... and 3 more");
  EXPECT_EQ(terminal.str().find("\033[4A"), std::string::npos) << "3 lines at most";

  block.Update(1, 100, kStart + 1s);
  block.Finish(1, true, kStart + 1s);
  EXPECT_EQ(Screen(terminal.str()), (std::vector<std::string>{
                                        "[1] read done: 25600 B in 1.0 s",
                                        "[2] read [                        ]   0%  0/25600 B",
                                        "[3] read [                        ]   0%  0/25600 B",
                                        "... and 2 more",
                                    }));
  // The terminal grows: every lane shows; it shrinks: what is left below goes.
  rows = 10;
  block.Update(5, 50, kStart + 2s);
  EXPECT_EQ(Screen(terminal.str()).size(), 5u);
  EXPECT_TRUE(Screen(terminal.str()).back().starts_with("[5] read [########         ]  50%"));
  rows = 4;
  block.Update(5, 60, kStart + 3s);
  EXPECT_EQ(Screen(terminal.str()), (std::vector<std::string>{
                                        "[1] read done: 25600 B in 1.0 s",
                                        "[2] read [                        ]   0%  0/25600 B",
                                        "... and 3 more",
                                    }));
  // However small, a line for the count.
  rows = 1;
  block.Hide();
  block.Show();
  EXPECT_EQ(Screen(terminal.str()).back(), "... and 4 more");
}

// The progress lines of a download to two calculators at once, as
// `terminal` and `escapes` have them.
std::string AllDownload(bool terminal, bool escapes) {
  const testing::TempDirectory directory;
  const auto image = directory.Write("image.UD", testing::Pattern(100000)).string();
  testing::CliWorld world;
  world.errTakesEscapes = escapes;
  // Each calculator's first download command (after the three of the
  // handshake) waits for the other's, so both lanes are drawn at once
  // however the threads are scheduled.
  std::mutex mutex;
  std::condition_variable bothThere;
  std::map<std::thread::id, int> commands;
  int downloading = 0;
  world.beforeTransaction = [&](long, StopSignals&) {
    std::unique_lock lock(mutex);
    if (++commands[std::this_thread::get_id()] != 4) return;
    ++downloading;
    bothThere.notify_all();
    bothThere.wait_for(lock, std::chrono::seconds(10), [&] { return downloading == 2; });
  };
  const auto run = testing::RunCli(
      {"--simulate", "--fast", "--sim-calculators", "2", "--all", "download", image}, terminal,
      world);
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  return run.err;
}

TEST(ProgressViewTest, SeveralCalculatorsOnATerminalShareOneBlockElsewherePlainLines) {
  const std::string block = AllDownload(true, true);
  EXPECT_NE(block.find("\033[2A\r\033[K[1] download ["), std::string::npos) << block;
  // Once all is done the terminal shows only the lines that stay.
  std::vector<std::string> staying = Screen(block);
  std::ranges::sort(staying);
  ASSERT_EQ(staying.size(), 2u) << block;
  EXPECT_TRUE(staying[0].starts_with("[1] download done: 100096 B in ")) << staying[0];
  EXPECT_TRUE(staying[1].starts_with("[2] download done: 100096 B in ")) << staying[1];

  // Off a terminal, or on a console without escapes: a plain line every tenth.
  for (const bool terminal : {false, true}) {
    const std::string plain = AllDownload(terminal, false);
    EXPECT_EQ(plain.find_first_of("\r\033"), std::string::npos) << plain;
    EXPECT_NE(plain.find("[2] download  10%  10240/100096 B\n"), std::string::npos) << plain;
    EXPECT_NE(plain.find("\n[1] download done: 100096 B in "), std::string::npos) << plain;
  }
}

#ifndef _WIN32
TEST(ProgressViewTest, TheTerminalsHeightIsWhatTheSystemTellsElseLinesElseTwentyFour) {
  const char* saved = std::getenv("LINES");
  const std::optional<std::string> old =
      saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
  ::unsetenv("LINES");
  EXPECT_EQ(cli::TerminalRows(std::nullopt), 24);
  ::setenv("LINES", "40", 1);
  EXPECT_EQ(cli::TerminalRows(std::nullopt), 40);
  EXPECT_EQ(cli::TerminalRows(52), 52);
  for (const char* wrong : {"0", "-3", "40x", ""}) {
    ::setenv("LINES", wrong, 1);
    EXPECT_EQ(cli::TerminalRows(std::nullopt), 24) << wrong;
  }
  if (old) {
    ::setenv("LINES", old->c_str(), 1);
  } else {
    ::unsetenv("LINES");
  }
}
#endif

}  // namespace
}  // namespace usblink
