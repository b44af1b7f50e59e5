// The files of a run over several calculators: each calculator's own log,
// read-back and backup are named after the command line's, and every such
// name is a role of its own, checked before anything is opened.

#include <gtest/gtest.h>

#include <filesystem>

#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;
using testing::Pattern;
using testing::RunCli;

class CliFleetFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { image = Pattern(3000); }
  std::string PathOf(const std::string& name) const { return (directory.Path() / name).string(); }

  // Runs on two simulated calculators; the run is refused before anything is
  // opened, `imageName` is left as it was and `untouched` never made.
  void ExpectRefused(std::vector<std::string> arguments, const std::string& imageName,
                     const std::string& why, const std::vector<std::string>& untouched = {}) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    directory.Write(imageName, image);
    arguments.insert(arguments.begin(), {"--simulate", "--fast", "--sim-calculators", "2"});
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.status, kExitUsage) << run.err;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    EXPECT_EQ(directory.Read(imageName), image);
    for (const auto& name : untouched) EXPECT_FALSE(fs::exists(PathOf(name))) << name;
    EXPECT_EQ(run.out.find("Calculator: "), std::string::npos) << "no calculator was touched";
  }

  testing::TempDirectory directory;
  std::vector<std::uint8_t> image;
};

TEST_F(CliFleetFilesTest, EachCalculatorsFilesAreRolesCheckedBeforeAnythingIsOpened) {
  // Calculator 1's log would be made over the image.
  ExpectRefused({"--all", "download", PathOf("fw.1"), "--log", PathOf("fw"), "-q"}, "fw.1",
                "the image and --log of calculator 1 name the same file");
  // Calculator 1's read-back over the run's log.
  ExpectRefused({"--all", "read", PathOf("R.bin"), "--log", PathOf("R-SIM0001.bin")}, "x.UD",
                "--log and the read-back file of calculator 1 name the same file",
                {"R-SIM0002.bin"});
  // Calculator 1's backup over the image.
  ExpectRefused(
      {"--all", "--force", "download", PathOf("b-SIM0001.bin"), "--backup", PathOf("b.bin")},
      "b-SIM0001.bin", "the image and --backup of calculator 1 name the same file",
      {"b-SIM0002.bin"});
  // Calculator 1's log over calculator 2's backup.
  ExpectRefused({"--all", "download", PathOf("x.UD"), "--backup", PathOf("b.1"), "--log",
                 PathOf("b-SIM0002")},
                "x.UD", "--log of calculator 1 and --backup of calculator 2 name the same file",
                {"b-SIM0001.1", "b-SIM0002.1"});
  // A station takes no calculator whose log would be made over the image.
  directory.Write("fw.1", image);
  const auto station = RunCli(
      {"--simulate", "--json", "station", "--count", "1", "--log", PathOf("fw"), PathOf("fw.1")});
  EXPECT_EQ(station.status, kExitUsage) << station.err;
  EXPECT_EQ(directory.Read("fw.1"), image);
  const auto summary = station.Objects("summary");
  ASSERT_EQ(summary.size(), 1u) << station.out;
  EXPECT_EQ(summary[0]["calculators"][0]["exitStatus"], kExitUsage);
  EXPECT_NE(summary[0]["calculators"][0]["error"].get<std::string>().find(
                "the image and --log of calculator 1 name the same file"),
            std::string::npos);
}

TEST_F(CliFleetFilesTest, NamesThatCannotBeNamedAfterAreRefused) {
  fs::create_directory(PathOf("dir"));
  ExpectRefused({"--all", "read", PathOf("dir") + "/"}, "x.UD", "is a folder", {"dir/-SIM0001"});
  ExpectRefused({"--all", "read", PathOf("dir")}, "x.UD", "is a folder");
  ExpectRefused({"station", PathOf("x.UD"), "--log", PathOf("dir")}, "x.UD", "is a folder");
  if (!fs::exists("/dev/null")) return;
  ExpectRefused({"--all", "read", "/dev/null"}, "x.UD", "\"/dev/null\" is not a regular file");
  ExpectRefused({"--all", "connect", "--log", "/dev/full"}, "x.UD",
                "\"/dev/full\" is not a regular file");
  // One calculator's run writes there as before.
  EXPECT_EQ(RunCli({"--simulate", "--fast", "read", "/dev/null"}).status, kExitSuccess);
}

}  // namespace
}  // namespace usblink
