// The simulated calculator's flash in files: kept from run to run
// (--sim-keep), saved at the end (--sim-save), each written whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

using testing::Pattern;
using testing::RunCli;

class CliSimulatedFlashTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) { return (directory.Path() / name).string(); }
  [[nodiscard]] bool Erased(const std::string& name) const {
    const auto flash = directory.Read(name);
    return flash.size() == kFlashSize && std::ranges::count(flash, kErasedByte) == kFlashSize;
  }
  [[nodiscard]] bool Begins(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const auto flash = directory.Read(name);
    return flash.size() == kFlashSize && std::equal(bytes.begin(), bytes.end(), flash.begin());
  }

  testing::TempDirectory directory;
  const std::vector<std::uint8_t> bytes = Pattern(70000, 6);
  const std::string image = directory.Write("new.UD", bytes).string();
};

TEST_F(CliSimulatedFlashTest, TheKeptFlashMeetsTheSameCalculatorFromRunToRun) {
  // Without it every run meets an erased calculator.
  ASSERT_EQ(RunCli({"--simulate", "download", image}).status, kExitSuccess);
  EXPECT_EQ(RunCli({"--simulate", "verify", image}).status, kExitDifferences);

  const auto keep = PathOf("calculator.bin");
  auto run = RunCli({"--simulate", "--sim-keep", keep, "download", image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(Begins("calculator.bin", bytes));
  run = RunCli({"--simulate", "--sim-keep", keep, "verify", image});
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  run = RunCli({"--simulate", "--sim-keep", keep, "read", PathOf("Load.bin")});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(directory.Read("Load.bin"), directory.Read("calculator.bin"));
}

TEST_F(CliSimulatedFlashTest, SeveralCalculatorsKeepAFileEach) {
  const auto keep = PathOf("class");
  auto run = RunCli({"--simulate", "--sim-calculators", "2", "--sim-keep", keep, "--device",
                     "SIM0002", "download", image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(Erased("class.1"));
  EXPECT_TRUE(Begins("class.2", bytes));
  run = RunCli({"--simulate", "--sim-calculators", "2", "--sim-keep", keep, "--json", "--all",
                "verify", image});
  EXPECT_EQ(run.status, kExitDifferences);
  const auto rows = run.Objects("summary").at(0)["calculators"];
  EXPECT_EQ(rows.at(0)["exitStatus"], kExitDifferences);
  EXPECT_EQ(rows.at(1)["exitStatus"], kExitSuccess);
}

TEST_F(CliSimulatedFlashTest, AFileThatIsNoKeptFlashIsRefusedAndLeftAsItWas) {
  const auto notes = directory.Write("notes.bin", Pattern(1000)).string();
  const auto run = RunCli({"--simulate", "--sim-keep", notes, "download", image});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: \"" + notes +
                         "\" is no flash that --sim-keep kept: it holds 1000 bytes, not 262144. "
                         "Nothing was run, and it is left as it was: give --sim-keep a new file, "
                         "or one it wrote.\nusblink-cli: file error\n");
  EXPECT_EQ(directory.Read("notes.bin"), Pattern(1000));

  const auto flash = directory.Write("flash.bin", Pattern(10)).string();
  const auto parsed =
      cli::ParseCommandLine({"--simulate", "--sim-flash", flash, "--sim-keep", notes, "connect"});
  ASSERT_FALSE(parsed.request);
  for (const char* word : {"--sim-keep", "excludes", "--sim-flash"}) {
    EXPECT_NE(parsed.request.Error().message.find(word), std::string::npos)
        << parsed.request.Error().message;
  }
  EXPECT_EQ(RunCli({"--simulate", "--sim-keep", image, "download", image}).status, kExitUsage);
}

TEST_F(CliSimulatedFlashTest, FlashFilesAreWrittenWholeAlsoWhenTheLogCannotBeMade) {
  // A log in a folder that is not there: nothing runs, the files are written all the same.
  auto run = RunCli({"--simulate", "--json", "--sim-save", PathOf("after.bin"), "--sim-keep",
                     PathOf("kept.bin"), "--log", PathOf("absent/run.log"), "download", image});
  EXPECT_EQ(run.status, kExitFileError);
  // Why, in the system's words, and what to do.
  EXPECT_EQ(run.Objects("message").at(0)["text"],
            "Cannot create \"" + PathOf("absent/run.log") +
                "\": " + std::make_error_code(std::errc::no_such_file_or_directory).message() +
                ". Check the name and that its folder exists.");
  EXPECT_FALSE(run.Result().contains("bytes")) << run.out;
  EXPECT_TRUE(Erased("after.bin"));
  EXPECT_TRUE(Erased("kept.bin"));

  // One that cannot be made costs the run its success, not its work.
  run = RunCli({"--simulate", "--sim-keep", PathOf("absent/kept.bin"), "download", image});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_NE(run.err.find("Error: Cannot create \"" + PathOf("absent/kept.bin") + "\": "),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("Written: "), std::string::npos) << run.out;

#ifndef _WIN32
  // Staged and renamed, never written in place: another name of the old file keeps it.
  directory.Write("after.bin", Pattern(kFlashSize, 1));
  std::filesystem::create_hard_link(PathOf("after.bin"), PathOf("before.bin"));
  run = RunCli({"--simulate", "--sim-save", PathOf("after.bin"), "download", image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(Begins("after.bin", bytes));
  EXPECT_EQ(directory.Read("before.bin"), Pattern(kFlashSize, 1));
  // A device takes the bytes directly.
  EXPECT_EQ(RunCli({"--simulate", "--sim-save", "/dev/null", "connect"}).status, kExitSuccess);
#endif
}

}  // namespace
}  // namespace usblink
