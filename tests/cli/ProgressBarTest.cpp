// The progress bar on a console without escape sequences: redrawn over
// itself after a carriage return, blanks clearing what was longer.

#include "cli/ProgressBar.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "cli/ExitStatus.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

// The line a terminal shows after `output`: a carriage return goes back to
// its start, other characters overwrite; blanks at the end are not seen.
std::string VisibleLine(const std::string& output) {
  std::string line;
  std::size_t column = 0;
  for (const char character : output) {
    if (character == '\r') {
      column = 0;
      continue;
    }
    if (column == line.size())
      line += character;
    else
      line[column] = character;
    ++column;
  }
  return line.substr(0, line.find_last_not_of(' ') + 1);
}

TEST(ProgressBarTest, WithoutEscapesARedrawAndAnEraseLeaveNothingBehind) {
  std::ostringstream console;
  cli::ProgressBar bar(console, "download", 262144, false);
  bar.Update(131072);
  const std::string half = VisibleLine(console.str());
  EXPECT_TRUE(half.starts_with("download [############            ]  50%  131072/262144 B"))
      << half;
  bar.Erase();
  EXPECT_EQ(VisibleLine(console.str()), "");
  bar.Update(262144);
  EXPECT_TRUE(VisibleLine(console.str())
                  .starts_with("download [########################] 100%  262144/262144 B"));
  bar.Erase();
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
  ASSERT_EQ(plain.status, cli::kExitSuccess) << plain.err;
  EXPECT_TRUE(plain.err.starts_with("\rdownload [")) << plain.err;
  EXPECT_EQ(plain.err.find('\033'), std::string::npos) << plain.err;
  const auto withEscapes =
      testing::RunCli({"--simulate", "download", image}, true, EscapesTaken(true));
  EXPECT_NE(withEscapes.err.find("\r\033[K"), std::string::npos) << withEscapes.err;
}

}  // namespace
}  // namespace usblink
