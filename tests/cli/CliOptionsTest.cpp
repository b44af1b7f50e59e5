#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/CliApp.h"
#include "protocol/Outcome.h"
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
      {"--wait", "nan", "connect"},
      {"--wait", "-nan", "connect"},
      {"--simulate", "--sim-arrive-every", "NaN", "station", "a.UD"},
      {"--log"},
      {"--json=yes", "connect"},
      {"--simulate", "--sim-serials", "A\\x1", "connect"},
      {"--simulate", "--sim-serials", "A\\n", "connect"},
      {"--simulate", "--sim-serials", "A,B", "connect"},
  };
  for (const auto& arguments : cases) {
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.status, kExitUsage) << ::testing::PrintToString(arguments);
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
  EXPECT_EQ(options.command, Command::Read);
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
  // Any byte, duplicates and empty ones.
  const auto serials =
      cli::ParseCommandLine({"--simulate", "--sim-serials", "A\\x1b[2J,,A,\\xFF\\\\x", "list"});
  ASSERT_TRUE(serials.options) << serials.error;
  EXPECT_EQ(serials.options->sim.serials,
            (std::vector<std::string>{"A\x1b[2J", "", "A", "\xFF\\x"}));
}

TEST(CliOptionsTest, HelpDocumentsEveryCommandAndOption) {
  const auto run = RunCli({"--help"});
  EXPECT_EQ(run.status, kExitSuccess);
  for (const char* word :
       {"list", "connect", "check FILE", "download FILE", "read [FILE]", "verify FILE",
        "--simulate", "--backup", "--wait", "--log", "--json", "--quiet", "--verbose", "--fast",
        "--force", "--version", "--help-simulate", "Exit status", "10  "}) {
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
  }
  // The simulated calculator's knobs have a page of their own.
  EXPECT_EQ(run.out.find("--sim-"), std::string::npos) << run.out;
  const auto simulation = RunCli({"--help-simulate"});
  EXPECT_EQ(simulation.status, kExitSuccess);
  for (const char* word :
       {"--sim-flash", "--sim-save", "--sim-busy", "--sim-status", "--sim-bad-bank",
        "--sim-identity", "--sim-type", "--sim-flash-id", "--sim-silent-after", "--sim-slow-read",
        "--sim-unplug-after", "--sim-others", "--sim-locked", "--sim-absent", "--sim-ids",
        "--sim-descriptor"}) {
    EXPECT_NE(simulation.out.find(word), std::string::npos) << word;
  }
  EXPECT_TRUE(RunCli({"--version"}).out.starts_with("usblink-cli "));
}

TEST(CliOptionsTest, OptionsStandBeforeOrAfterTheCommandAndTheLastValueCounts) {
  const std::vector<std::vector<std::string>> forms{
      {"--simulate", "--backup", "b.bin", "--force", "download", "a.UD"},
      {"download", "a.UD", "--simulate", "--force", "--backup=b.bin"},
      {"--simulate", "download", "--backup", "old.bin", "--force", "--backup", "b.bin", "a.UD"},
  };
  for (const auto& arguments : forms) {
    const auto parsed = cli::ParseCommandLine(arguments);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->command, Command::Download);
    EXPECT_EQ(parsed.options->file, "a.UD");
    EXPECT_EQ(parsed.options->backupFile, "b.bin");
    EXPECT_TRUE(parsed.options->force);
    EXPECT_TRUE(parsed.options->simulate);
  }
  // A fault given twice is two faults.
  const auto statuses = cli::ParseCommandLine(
      {"--simulate", "--sim-status", "10:1:44", "connect", "--sim-status=31:2:55"});
  ASSERT_TRUE(statuses.options) << statuses.error;
  ASSERT_EQ(statuses.options->sim.faults.statuses.size(), 2u);
  EXPECT_EQ(statuses.options->sim.faults.statuses[1].code, 0x31);
  // "-" is a FILE; after "--" nothing is an option.
  const auto toStdout = cli::ParseCommandLine({"-v", "read", "-"});
  ASSERT_TRUE(toStdout.options) << toStdout.error;
  EXPECT_TRUE(toStdout.options->ReadsToStandardOutput());
  EXPECT_TRUE(toStdout.options->verbose);
  EXPECT_FALSE(cli::ParseCommandLine({"read"}).options->ReadsToStandardOutput());
  EXPECT_EQ(cli::ParseCommandLine({"check", "--", "-q.UD"}).options->file, "-q.UD");
  // Everywhere a FILE, also where options may begin with "/".
  EXPECT_EQ(cli::ParseCommandLine({"check", "/tmp/a.UD"}).options->file, "/tmp/a.UD");
}

TEST(CliOptionsTest, EveryKindOfParseErrorIsAUsageErrorAlsoUnderJson) {
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  };
  const Case cases[] = {
      {{"connect", "--frobnicate"}, "--frobnicate"},
      {{"flash"}, "unknown command flash"},
      {{"list", "connect"}, "connect"},
      {{}, "no command given"},
      {{"check"}, "check: FILE is required"},
      {{"connect", "--wait"}, "--wait"},
      {{"--force=yes", "download", "a.UD"}, "force"},
      {{"-qv", "connect"}, "--quiet excludes --verbose"},
      {{"--sim-busy", "3", "connect"}, "--sim-busy requires --simulate"},
      {{"--simulate", "--sim-type", "256", "connect"},
       "--sim-type: expects a number from 0 to 255, not \"256\""},
      {{"--wait", "86401", "connect"}, "seconds (0 to 86400)"},
      {{"--simulate", "--sim-flash", "absent.bin", "connect"}, "absent.bin"},
      {{"--log", "-", "connect"}, "--log: expects a file name"},
      {{"--backup", "b.bin", "read"}, "option --backup belongs to download"},
  };
  for (const Case& c : cases) {
    const auto run = RunCli(c.arguments);
    EXPECT_EQ(run.status, kExitUsage) << c.says;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("usblink-cli: ")) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_TRUE(run.err.ends_with("\nTry 'usblink-cli --help'.\n")) << run.err;

    std::vector<std::string> json{"--json"};
    json.insert(json.end(), c.arguments.begin(), c.arguments.end());
    const auto jsonRun = RunCli(json);
    EXPECT_EQ(jsonRun.status, kExitUsage);
    EXPECT_EQ(jsonRun.err, "");
    // A start, the message and a result naming the reason.
    ASSERT_EQ(jsonRun.OutLines().size(), 3u) << jsonRun.out;
    const auto start = nlohmann::json::parse(jsonRun.OutLines()[0]);
    EXPECT_EQ(nlohmann::json::parse(jsonRun.OutLines()[1])["type"], "message");
    const auto result = nlohmann::json::parse(jsonRun.OutLines()[2]);
    EXPECT_EQ(start["type"], "start");
    EXPECT_EQ(result["type"], "result");
    EXPECT_EQ(result["outcome"], "usage error");
    EXPECT_EQ(result["exitStatus"], 2);
    EXPECT_NE(result["error"].get<std::string>().find(c.says), std::string::npos) << jsonRun.out;
  }
}

TEST(CliOptionsTest, EachCommandHasItsOwnHelp) {
  const auto download = RunCli({"download", "--help"});
  EXPECT_EQ(download.status, kExitSuccess);
  EXPECT_TRUE(download.out.starts_with("Usage: usblink-cli [options] download FILE\n"))
      << download.out;
  EXPECT_NE(download.out.find("\n  --backup FILE "), std::string::npos) << download.out;
  EXPECT_NE(download.out.find("standard input"), std::string::npos) << download.out;
  EXPECT_EQ(download.out.find("--wait"), std::string::npos) << download.out;
  // Bundled, or before the command: the same page.
  EXPECT_EQ(RunCli({"download", "-qh"}).out, download.out);
  EXPECT_EQ(RunCli({"-h", "download"}).out, download.out);
  const auto read = RunCli({"read", "-h"}).out;
  EXPECT_TRUE(read.starts_with("Usage: usblink-cli [options] read [FILE]\n")) << read;
  EXPECT_NE(read.find("standard output"), std::string::npos) << read;
  // Without a command the page of them all, bundled too.
  const auto main = RunCli({"-qh"});
  EXPECT_EQ(main.status, kExitSuccess);
  EXPECT_EQ(main.out, RunCli({"--help"}).out);
}

// The help is ASCII in lines of at most 80 columns. Tools that read it
// (the manual page, the shell completion) take a line that begins with
// blanks and "-" for an option: a wrapped description never does.
TEST(CliOptionsTest, EveryHelpPageFitsEightyColumns) {
  std::vector<std::vector<std::string>> pages{{"--help"}, {"--help-simulate"}};
  for (const char* command : {"list", "connect", "check", "download", "read", "verify"}) {
    pages.push_back({command, "--help"});
  }
  for (const auto& arguments : pages) {
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.status, kExitSuccess);
    for (const auto& line : run.OutLines()) {
      EXPECT_LE(line.size(), 80u) << line;
      EXPECT_TRUE(std::ranges::all_of(line, [](char c) { return c >= ' ' && c <= '~'; })) << line;
      const auto text = line.find_first_not_of(' ');
      if (text != std::string::npos && text > 0 && line[text] == '-') {
        EXPECT_EQ(text, 2u) << line;
      }
    }
  }
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
