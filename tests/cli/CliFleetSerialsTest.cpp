// What calculators' serial numbers are worth among several: one with
// control characters or bytes that are not UTF-8 is the same text
// everywhere, one two calculators share is no identity, and --device takes
// a number, a serial number in any case, or a path.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "protocol/Outcome.h"
#include "sim/SimBus.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;
using testing::RunCli;

class CliFleetSerialsTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (directory.Path() / name).string(); }
  std::string Text(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static std::string CalculatorPath(std::size_t number) {
    return sim::SimBus::CalculatorInterface(number).path;
  }
  static bool HasControl(const std::string& text) {
    return std::ranges::any_of(text, [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return (byte < 0x20 && c != '\n') || byte == 0x7F || byte == 0xFF;
    });
  }

  testing::TempDirectory directory;
};

TEST_F(CliFleetSerialsTest, ASerialWithControlsIsOneSafeTextForSelectionFilesLogsAndJson) {
  // An escape, a C1 control and a byte that is not UTF-8.
  const std::vector<std::string> bus{"--simulate", "--fast",        "--sim-calculators",
                                     "2",          "--sim-serials", "A\\x1b[31m,\\xc2\\x9b\\xff"};
  auto all = bus;
  all.insert(all.end(), {"-v", "--log", PathOf("run.log"), "--all", "read", PathOf("R.bin")});
  const auto run = RunCli(all);
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_FALSE(HasControl(run.out + run.err));
  for (const std::string log : {"run.log", "run.log.1", "run.log.2"}) {
    EXPECT_FALSE(HasControl(Text(log))) << log;
  }
  EXPECT_NE(Text("run.log.1").find("  Serial number: A?[31m\n"), std::string::npos);
  EXPECT_NE(Text("run.log.2").find("  Serial number: ??\n"), std::string::npos);
  // Neither text may name a file.
  EXPECT_TRUE(fs::exists(PathOf("R-1.bin")));
  EXPECT_TRUE(fs::exists(PathOf("R-2.bin")));

  // The text the list shows is the one --device takes.
  auto json = bus;
  json.insert(json.end(), {"--json", "list"});
  const auto listed = RunCli(json).Objects("info");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0]["serial"], "A?[31m");
  EXPECT_EQ(listed[1]["serial"], "??");
  auto one = bus;
  one.insert(one.end(), {"connect", "--device", "A?[31m"});
  EXPECT_EQ(RunCli(one).status, kExitSuccess);
}

TEST_F(CliFleetSerialsTest, ASerialTwoCalculatorsShareIsNoIdentity) {
  const std::vector<std::string> bus{"--simulate", "--fast",        "--sim-calculators",
                                     "3",          "--sim-serials", "CLONE,CLONE"};
  auto list = bus;
  list.push_back("list");
  const auto lines = RunCli(list).OutLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with("<- calculator 1  same serial number as 2")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with("<- calculator 2  same serial number as 1")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with("<- calculator 3")) << lines[2];

  // Named by it: refused, with both paths.
  auto named = bus;
  named.insert(named.end(), {"connect", "--device", "CLONE"});
  const auto refused = RunCli(named);
  EXPECT_EQ(refused.status, kExitUsage);
  EXPECT_NE(refused.err.find("\"CLONE\" names 2 calculators"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find(CalculatorPath(0)), std::string::npos);
  EXPECT_NE(refused.err.find(CalculatorPath(1)), std::string::npos);

  // --all takes both, their files numbered.
  auto all = bus;
  all.insert(all.end(), {"--all", "read", PathOf("R.bin")});
  const auto read = RunCli(all);
  EXPECT_EQ(read.status, kExitSuccess) << read.err;
  for (const std::string name : {"R-1.bin", "R-2.bin", "R-3.bin"}) {
    EXPECT_TRUE(fs::exists(PathOf(name))) << name;
  }
  EXPECT_EQ(std::ranges::count_if(read.OutLines(),
                                  [](const std::string& line) {
                                    return line.find("  CLONE  ") != std::string::npos;
                                  }),
            2);

  // The station updates both and reaches its count.
  const auto image = directory.Write("x.UD", testing::Pattern(3000)).string();
  auto station = bus;
  station.insert(station.end(), {"--json", "station", "--count", "3", image});
  const auto stationed = RunCli(station);
  EXPECT_EQ(stationed.status, kExitSuccess) << stationed.err;
  EXPECT_EQ(stationed.Objects("finished").size(), 3u);
}

TEST_F(CliFleetSerialsTest, DeviceTakesTheListsNumberASerialInAnyCaseOrAPathAndAMissListsThem) {
  const std::vector<std::string> bus{"--simulate",     "--fast", "--sim-calculators", "4",
                                     "--sim-fault-on", "2",      "--sim-identity",    "OTHER"};
  // Only the second refuses the handshake: the status tells which one answered.
  for (const std::string& device :
       std::vector<std::string>{"2", "sim0002", "SIM0002", CalculatorPath(1)}) {
    auto arguments = bus;
    arguments.insert(arguments.end(), {"connect", "--device", device});
    EXPECT_EQ(RunCli(arguments).status, kExitRefused) << device;
  }
  auto first = bus;
  first.insert(first.end(), {"connect", "--device", "1"});
  EXPECT_EQ(RunCli(first).status, kExitSuccess);

  for (const std::string device : {"SIM0009", "5", "/dev/none"}) {
    auto arguments = bus;
    arguments.insert(arguments.end(), {"connect", "--device", device});
    const auto miss = RunCli(arguments);
    EXPECT_EQ(miss.status, kExitNotFound) << device;
    EXPECT_NE(miss.err.find("No calculator is \"" + device + "\"; the calculators present:"),
              std::string::npos)
        << miss.err;
    for (std::size_t n = 0; n < 4; ++n) {
      EXPECT_NE(miss.err.find("  " + std::to_string(n + 1) + "  SIM000" + std::to_string(n + 1) +
                              "  " + CalculatorPath(n)),
                std::string::npos)
          << miss.err;
    }
  }
}

}  // namespace
}  // namespace usblink
