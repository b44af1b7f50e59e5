// The progress of several calculators at once: the block of live lines on a
// terminal, byte for byte, what a terminal shows of it, its height, and the
// plain lines where nothing can be drawn over.

#include "cli/ProgressBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "cli/TerminalOutput.h"
#include "protocol/Outcome.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;
using cli::ProgressBlock;
using cli::TerminalOutput;

const ProgressBlock::Clock::time_point kStart{};

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

ProgressBlock::Screen Sized(int columns, int rows) {
  return {[columns] { return columns; }, [rows] { return rows; }};
}

TEST(ProgressBlockTest, TwoLanesAreDrawnUpdatedAndFinishedAroundTheLinesWrittenAboveThem) {
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

TEST(ProgressBlockTest, TheBlockIsNeverTallerThanTheTerminalLessTwoLines) {
  std::ostringstream terminal;
  int rows = 5;
  ProgressBlock block(terminal, {[] { return 60; }, [&rows] { return rows; }});
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
  const auto image = directory.Write("image.UD", std::vector<std::uint8_t>(100000, 0x5A)).string();
  testing::CliWorld world;
  world.errTakesEscapes = escapes;
  const auto run = testing::RunCli(
      {"--simulate", "--fast", "--sim-calculators", "2", "--all", "download", image}, terminal,
      world);
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  return run.err;
}

TEST(ProgressBlockTest, SeveralCalculatorsOnATerminalShareOneBlockElsewherePlainLines) {
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
TEST(ProgressBlockTest, TheTerminalsHeightIsWhatTheSystemTellsElseLinesElseTwentyFour) {
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
