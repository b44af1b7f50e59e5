#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include "cli/ExitStatus.h"
#include "cli/SleepPacer.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

using testing::RunCli;

TEST(CliOptionsTest, UnusableCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases{
      {},
      {"flash"},
      {"check"},
      {"download", "a.UD", "b.UD"},
      {"connect", "extra"},
      {"--frobnicate", "connect"},
      {"--sim-busy", "3", "connect"},
      {"--simulate", "--sim-busy", "-1", "connect"},
      {"--simulate", "--sim-status", "31:0:55", "connect"},
      {"--simulate", "--sim-status", "31:1", "connect"},
      {"--simulate", "--sim-ids", "12345:1", "connect"},
      {"--simulate", "--sim-type", "256", "connect"},
      {"--simulate", "--sim-locked", "9", "connect"},
      {"--simulate", "--sim-others", "1001", "connect"},
      {"--backup", "b.bin", "read"},
      {"--force", "check", "a.UD"},
      {"--force=yes", "download", "a.UD"},
      {"--simulate", "--sim-slow-read", "-5", "connect"},
      {"--wait", "soon", "connect"},
      {"--log"},
      {"--json=yes", "connect"},
  };
  for (const auto& arguments : cases) {
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.status, cli::kExitUsage) << ::testing::PrintToString(arguments);
    EXPECT_TRUE(run.err.starts_with("usblink-cli: ")) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CliOptionsTest, ValuesArriveWhereTheyBelong) {
  const auto parsed = cli::ParseCommandLine({"--simulate", "--sim-status=10:53:44", "--sim-ids",
                                             "04fc:C77", "--sim-flash-id", "0x20", "--fast", "read",
                                             "--wait", "2.5", "--sim-slow-read", "5000"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const auto& options = *parsed.options;
  EXPECT_EQ(options.command, cli::Command::Read);
  EXPECT_FALSE(options.file);
  EXPECT_TRUE(options.fast);
  EXPECT_EQ(options.waitSeconds, 2.5);
  ASSERT_EQ(options.sim.faults.statuses.size(), 1u);
  EXPECT_EQ(options.sim.faults.statuses[0].code, 0x10);
  EXPECT_EQ(options.sim.faults.statuses[0].nth, 53);
  EXPECT_EQ(options.sim.faults.statuses[0].status, 0x44);
  EXPECT_EQ(options.sim.ids, (std::pair<std::uint16_t, std::uint16_t>{0x04FC, 0x0C77}));
  EXPECT_EQ(options.sim.faults.flashId, 0x20);
  EXPECT_EQ(options.sim.slowRead, std::chrono::seconds(5));
  EXPECT_FALSE(options.force);
  EXPECT_TRUE(cli::ParseCommandLine({"download", "--force", "a.UD"}).options->force);
}

TEST(CliOptionsTest, HelpDocumentsEveryCommandAndOption) {
  const auto run = RunCli({"--help"});
  EXPECT_EQ(run.status, cli::kExitSuccess);
  for (const char* word : {"list",
                           "connect",
                           "check FILE",
                           "download FILE",
                           "read [FILE]",
                           "verify FILE",
                           "--simulate",
                           "--backup",
                           "--wait",
                           "--log",
                           "--json",
                           "--quiet",
                           "--fast",
                           "--force",
                           "--version",
                           "--sim-flash",
                           "--sim-save",
                           "--sim-busy",
                           "--sim-status",
                           "--sim-bad-bank",
                           "--sim-identity",
                           "--sim-type",
                           "--sim-flash-id",
                           "--sim-silent-after",
                           "--sim-slow-read",
                           "--sim-unplug-after",
                           "--sim-others",
                           "--sim-locked",
                           "--sim-absent",
                           "--sim-ids",
                           "--sim-descriptor",
                           "Exit status"}) {
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
  }
  EXPECT_TRUE(RunCli({"--version"}).out.starts_with("usblink-cli "));
}

TEST(SleepPacerTest, FastPollingStillGivesTheDeviceItsFiveSeconds) {
  using namespace std::chrono_literals;
  const auto fast = cli::SleepPacer::Fast();
  EXPECT_FALSE(fast.PollLimitReached(500, 6s));
  // 501 polls of 1 ms are far less than five seconds.
  EXPECT_FALSE(fast.PollLimitReached(501, 600ms));
  EXPECT_FALSE(fast.PollLimitReached(4000, 4999ms));
  EXPECT_TRUE(fast.PollLimitReached(4000, 5s));

  const auto standard = cli::SleepPacer::Standard();
  EXPECT_FALSE(standard.PollLimitReached(500, 5s));
  EXPECT_TRUE(standard.PollLimitReached(501, 1s));
}

}  // namespace
}  // namespace usblink
