// The progress bar on its own, on a clock the test sets: its width, its
// redraws, the stall note, the plain lines and the line it leaves at the end.

#include "cli/ProgressBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "protocol/Outcome.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;
using cli::ProgressBar;

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

const ProgressBar::Clock::time_point kStart{};

ProgressBar::Style Live(bool escapes = true, int columns = 80) {
  return {true, escapes, [columns] { return columns; }};
}

TEST(ProgressBarTest, TheLineFitsEveryWidthAndKeepsTheLabelAndThePercentage) {
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

TEST(ProgressBarTest, ALiveBarShowsAtOnceRedrawsTenTimesASecondAndAlwaysAtTheEnd) {
  std::ostringstream terminal;
  ProgressBar bar(terminal, Live(), "read", 1024, kStart);
  EXPECT_TRUE(VisibleLine(terminal.str()).starts_with("read [                        ]   0%"));
  const auto redraws = [&] { return std::ranges::count(terminal.str(), '\r'); };
  const auto before = redraws();
  for (int block = 1; block <= 1023; ++block) bar.Update(block, kStart + block * 1ms);
  // 1,023 ms of blocks: a redraw every 100 ms.
  EXPECT_EQ(redraws() - before, 10);
  bar.Update(1024, kStart + 1024ms);
  EXPECT_EQ(redraws() - before, 11);
  EXPECT_TRUE(VisibleLine(terminal.str()).starts_with("read [########################] 100%"));
}

TEST(ProgressBarTest, AStallIsSaidOnTheLineUntilTheNextBlock) {
  std::ostringstream terminal;
  ProgressBar bar(terminal, Live(), "download", 100, kStart);
  bar.Update(40, kStart + 1s);
  bar.NoAnswerFor(400ms, kStart + 2s);
  EXPECT_EQ(VisibleLine(terminal.str()).find("no answer"), std::string::npos);
  bar.NoAnswerFor(3200ms, kStart + 4s);
  EXPECT_TRUE(VisibleLine(terminal.str()).ends_with("  40%  10240/25600 B  no answer for 3 s"))
      << VisibleLine(terminal.str());
  const auto drawn = terminal.str().size();
  bar.NoAnswerFor(3900ms, kStart + 4700ms);  // the same whole second: nothing to redraw
  EXPECT_EQ(terminal.str().size(), drawn);
  bar.NoAnswerFor(7s, kStart + 8s);
  EXPECT_TRUE(VisibleLine(terminal.str()).ends_with("no answer for 7 s"));
  bar.Update(41, kStart + 9s);
  EXPECT_EQ(VisibleLine(terminal.str()).find("no answer"), std::string::npos);
  bar.NoAnswerFor(12s, kStart + 21s);
  bar.Finish(false, kStart + 21s);
  EXPECT_EQ(FinishedLines(terminal.str()).back(),
            "download stopped after 41 of 100 blocks (10496/25600 B, 41%) in 21.0 s, no answer "
            "for 12 s");
}

TEST(ProgressBarTest, TheLastLineStaysAndSaysWhatWasDoneOrWhereItStopped) {
  for (const bool live : {true, false}) {
    std::ostringstream done;
    ProgressBar whole(done, {live, true, [] { return 80; }}, "backup 1/2", 1024, kStart);
    whole.Update(1024, kStart + 41500ms);
    whole.Finish(true, kStart + 42s);
    EXPECT_EQ(FinishedLines(done.str()).back(), "backup 1/2 done: 262144 B in 42.0 s");
    EXPECT_TRUE(done.str().ends_with("\n"));

    std::ostringstream stopped;
    ProgressBar cut(stopped, {live, true, [] { return 80; }}, "download 2/2", 257, kStart);
    cut.Update(33, kStart + 2s);
    cut.Finish(false, kStart + 95s);
    EXPECT_EQ(FinishedLines(stopped.str()).back(),
              "download 2/2 stopped after 33 of 257 blocks (8448/65792 B, 12%) in 1:35");
    // Nothing is drawn after the last line.
    const auto size = stopped.str().size();
    cut.Update(34, kStart + 96s);
    cut.NoAnswerFor(5s, kStart + 97s);
    cut.Show();
    EXPECT_EQ(stopped.str().size(), size);
  }
}

TEST(ProgressBarTest, OffATerminalAPlainLineEveryTenthAndEveryFiveSecondsOfSilence) {
  std::ostringstream log;
  ProgressBar bar(log, {false, true, [] { return 80; }}, "read", 1024, kStart);
  for (int block = 1; block <= 600; ++block) bar.Update(block, kStart + block * 10ms);
  bar.NoAnswerFor(4s, kStart + 10s);
  bar.NoAnswerFor(5200ms, kStart + 11s);
  bar.NoAnswerFor(9s, kStart + 15s);
  bar.NoAnswerFor(10100ms, kStart + 16s);
  for (int block = 601; block <= 1024; ++block) bar.Update(block, kStart + 20s);
  bar.Finish(true, kStart + 20s);
  const std::vector<std::string> expected{
      "read  10%  26368/262144 B",  "read  20%  52480/262144 B",  "read  30%  78848/262144 B",
      "read  40%  104960/262144 B", "read  50%  131072/262144 B", "read: no answer for 5 s",
      "read: no answer for 10 s",   "read  60%  157440/262144 B", "read  70%  183552/262144 B",
      "read  80%  209920/262144 B", "read  90%  236032/262144 B", "read done: 262144 B in 20.0 s"};
  EXPECT_EQ(FinishedLines(log.str()), expected);
  EXPECT_EQ(log.str().find('\r'), std::string::npos);
}

TEST(ProgressBarTest, WithoutEscapesARedrawAndAHideLeaveNothingBehind) {
  std::ostringstream console;
  ProgressBar bar(console, Live(false, 120), "download", 1024, kStart);
  bar.Update(512, kStart + 1s);
  const std::string half = VisibleLine(console.str());
  EXPECT_TRUE(half.starts_with("download [############            ]  50%  131072/262144 B"))
      << half;
  bar.Hide();
  EXPECT_EQ(VisibleLine(console.str()), "");
  bar.Show();
  EXPECT_EQ(VisibleLine(console.str()), half);
  bar.Update(1024, kStart + 2s);
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

TEST(ProgressBarTest, TheCommandLineDrawsWithoutEscapesWhereTheConsoleHasNone) {
  const testing::TempDirectory directory;
  const auto image = directory.Write("image.UD", std::vector<std::uint8_t>(768, 0x5A)).string();
  const auto plain = testing::RunCli({"--simulate", "download", image}, true, EscapesTaken(false));
  ASSERT_EQ(plain.status, kExitSuccess) << plain.err;
  EXPECT_TRUE(plain.err.starts_with("\rdownload [")) << plain.err;
  EXPECT_EQ(plain.err.find('\033'), std::string::npos) << plain.err;
  const auto withEscapes =
      testing::RunCli({"--simulate", "download", image}, true, EscapesTaken(true));
  EXPECT_NE(withEscapes.err.find("\r\033[K"), std::string::npos) << withEscapes.err;
}

}  // namespace
}  // namespace usblink
