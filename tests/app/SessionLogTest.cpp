#include "app/SessionLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempDirectory.h"

namespace usblink::app {
namespace {

namespace fs = std::filesystem;
using std::chrono::sys_days;
using namespace std::chrono_literals;

// 2026-12-09 03:30:12 UTC.
const std::chrono::system_clock::time_point kStart =
    sys_days{std::chrono::year{2026} / 12 / 9} + 3h + 30min + 12s + 700ms;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Content(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SessionLogTest, NamesSortByTheTimeTheRunStarted) {
  EXPECT_EQ(SessionLogName(kStart), "session-2026-12-09T03-30-12Z.log");
  EXPECT_EQ(SessionLogName(kStart, 2), "session-2026-12-09T03-30-12Z_02.log");
  const std::vector<std::string> inOrder{SessionLogName(kStart - 24h),  SessionLogName(kStart - 1s),
                                         SessionLogName(kStart),        SessionLogName(kStart, 2),
                                         SessionLogName(kStart, 10),    SessionLogName(kStart + 1s),
                                         SessionLogName(kStart + 8760h)};
  EXPECT_TRUE(std::is_sorted(inOrder.begin(), inOrder.end()));
  EXPECT_EQ(SessionLogName(sys_days{std::chrono::year{2027} / 1 / 1} - 1s),
            "session-2026-12-31T23-59-59Z.log");
}

TEST(SessionLogTest, WritesLinesAndBoxesAsUtf8IntoAFolderItMakes) {
  testing::TempDirectory directory;
  const fs::path folder = directory.Path() / "state" / "usblink";
  {
    SessionLog log(folder, kStart);
    EXPECT_EQ(log.File(), folder / "session-2026-12-09T03-30-12Z.log");
    log.Line("Downloading file：");
    log.Message("Handling Error! ", "Error");
    // Each line is on disk at once.
    EXPECT_EQ(Content(log.File()), "Downloading file：\nError: Handling Error! \n");
  }
  // A second run in the same second gets a file of its own.
  SessionLog second(folder, kStart);
  second.Line("开始");
  EXPECT_EQ(second.File(), folder / "session-2026-12-09T03-30-12Z_02.log");
  EXPECT_EQ(Content(second.File()), "开始\n");
  EXPECT_EQ(Content(folder / "session-2026-12-09T03-30-12Z.log"),
            "Downloading file：\nError: Handling Error! \n");
}

TEST(SessionLogTest, KeepsTheLastTwentyRunsAndNothingElseIsTouched) {
  testing::TempDirectory directory;
  const fs::path folder = directory.Path();
  for (int day = 1; day <= 25; ++day) {
    std::ofstream(folder / SessionLogName(kStart - day * 24h)) << "old\n";
  }
  std::ofstream(folder / "notes.txt") << "mine\n";
  std::ofstream(folder / "session-notes.txt") << "mine\n";
  SessionLog log(folder, kStart);
  log.Line("new");
  std::vector<std::string> expected;
  for (int day = 19; day >= 1; --day) expected.push_back(SessionLogName(kStart - day * 24h));
  expected.push_back("notes.txt");
  expected.push_back(SessionLogName(kStart));
  expected.push_back("session-notes.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(folder), expected);
}

TEST(SessionLogTest, TheNewFileStaysWhenAClockSetBackMakesItTheOldest) {
  testing::TempDirectory directory;
  for (int day = 1; day <= static_cast<int>(SessionLog::kKeptRuns); ++day) {
    std::ofstream(directory.Path() / SessionLogName(kStart + day * 24h)) << "later\n";
  }
  SessionLog log(directory.Path(), kStart);
  log.Line("now");
  EXPECT_EQ(Content(log.File()), "now\n");
  EXPECT_EQ(Names(directory.Path()).size(), SessionLog::kKeptRuns);
  EXPECT_FALSE(fs::exists(directory.Path() / SessionLogName(kStart + 24h)));
}

TEST(SessionLogTest, WithoutAUsableFolderNothingIsWrittenAndNothingFails) {
  testing::TempDirectory directory;
  const fs::path notAFolder = directory.Path() / "file";
  std::ofstream(notAFolder) << "x";
  for (const auto& folder : {std::optional<fs::path>(), std::optional<fs::path>(notAFolder),
                             std::optional<fs::path>(notAFolder / "usblink")}) {
    SessionLog log(folder, kStart);
    EXPECT_TRUE(log.File().empty());
    log.Line("a line");
    log.Message("text", "Error");
  }
  EXPECT_EQ(Names(directory.Path()), std::vector<std::string>{"file"});
  EXPECT_EQ(Content(notAFolder), "x");
}

}  // namespace
}  // namespace usblink::app
