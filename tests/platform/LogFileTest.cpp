#include "platform/os/LogFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/TempDirectory.h"

namespace usblink {
namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(LogFileTest, EachLineIsOnDiskAtOnceAfreshOrAfterWhatTheFileHeld) {
  testing::TempDirectory directory;
  const auto path = directory.Write("run.log", std::vector<std::uint8_t>{'o', 'l', 'd', '\n'});
  {
    LogFile log;
    ASSERT_FALSE(log.Open(path, LogFile::Start::Appending));
    log.Line("开始");
    log.Message("Handling Error! ", "Error");
    EXPECT_EQ(Text(directory.Read("run.log")), "old\n开始\nError: Handling Error! \n");
  }
  LogFile afresh;
  ASSERT_FALSE(afresh.Open(path, LogFile::Start::Afresh));
  EXPECT_EQ(afresh.Path(), path);
  afresh.Line("new");
  EXPECT_EQ(Text(directory.Read("run.log")), "new\n");
  EXPECT_FALSE(afresh.Failed());
}

TEST(LogFileTest, AFileThatCannotBeOpenedOrWrittenTakesNoMoreLines) {
  testing::TempDirectory directory;
  LogFile absent;
  // Each with the system's reason.
  EXPECT_EQ(absent.Open(directory.Path() / "no folder" / "run.log", LogFile::Start::Afresh),
            std::errc::no_such_file_or_directory);
  EXPECT_TRUE(absent.Path().empty());
  absent.Line("lost");
  EXPECT_FALSE(absent.Failed());

  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no device that is always full";
  LogFile full;
  ASSERT_FALSE(full.Open("/dev/full", LogFile::Start::Appending));
  EXPECT_FALSE(full.Failed());
  full.Line("a line");
  EXPECT_EQ(full.Failed(), std::errc::no_space_on_device);
  full.Line("another");
  EXPECT_EQ(full.Failed(), std::errc::no_space_on_device);
}

TEST(LogFileTest, MomentsAreUtcToTheMillisecondOrFitForAFileName) {
  using namespace std::chrono;
  const system_clock::time_point moment =
      sys_days{year{2026} / 12 / 9} + 3h + 30min + 12s + 45ms + 999us;
  EXPECT_EQ(UtcTimeText(moment), "2026-12-09T03:30:12.045Z");
  EXPECT_EQ(UtcTimeText(moment, '-', false), "2026-12-09T03-30-12Z");
}

}  // namespace
}  // namespace usblink
