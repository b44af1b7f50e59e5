#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

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
      {"--force", "read"},
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
  ASSERT_TRUE(parsed.ToRun()) << parsed.request.Error().message;
  const auto& options = *parsed.ToRun();
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
  EXPECT_TRUE(cli::ParseCommandLine({"download", "--force", "a.UD"}).ToRun()->force);
  // Any byte, duplicates and empty ones.
  const auto serials =
      cli::ParseCommandLine({"--simulate", "--sim-serials", "A\\x1b[2J,,A,\\xFF\\\\x", "list"});
  ASSERT_TRUE(serials.ToRun()) << serials.request.Error().message;
  EXPECT_EQ(serials.ToRun()->sim.serials,
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
       {"--sim-flash", "--sim-keep", "--sim-save", "--sim-busy", "--sim-status", "--sim-bad-bank",
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
    ASSERT_TRUE(parsed.ToRun()) << parsed.request.Error().message;
    EXPECT_EQ(parsed.ToRun()->command, Command::Download);
    EXPECT_EQ(parsed.ToRun()->file, "a.UD");
    EXPECT_EQ(parsed.ToRun()->backupFile, "b.bin");
    EXPECT_TRUE(parsed.ToRun()->force);
    EXPECT_TRUE(parsed.ToRun()->simulate);
  }
  // A fault given twice is two faults.
  const auto statuses = cli::ParseCommandLine(
      {"--simulate", "--sim-status", "10:1:44", "connect", "--sim-status=31:2:55"});
  ASSERT_TRUE(statuses.ToRun()) << statuses.request.Error().message;
  ASSERT_EQ(statuses.ToRun()->sim.faults.statuses.size(), 2u);
  EXPECT_EQ(statuses.ToRun()->sim.faults.statuses[1].code, 0x31);
  // "-" is a FILE; after "--" nothing is an option.
  const auto toStdout = cli::ParseCommandLine({"-v", "read", "-"});
  ASSERT_TRUE(toStdout.ToRun()) << toStdout.request.Error().message;
  EXPECT_TRUE(toStdout.ToRun()->ReadsToStandardOutput());
  EXPECT_TRUE(toStdout.ToRun()->verbose);
  EXPECT_FALSE(cli::ParseCommandLine({"read"}).ToRun()->ReadsToStandardOutput());
  EXPECT_EQ(cli::ParseCommandLine({"check", "--", "-q.UD"}).ToRun()->file, "-q.UD");
  // Everywhere a FILE, also where options may begin with "/".
  EXPECT_EQ(cli::ParseCommandLine({"check", "/tmp/a.UD"}).ToRun()->file, "/tmp/a.UD");
}

// A command line that cannot run and what its usage error says.
struct ParseErrorCase {
  std::string name;
  std::vector<std::string> arguments;
  std::string says;
};

void PrintTo(const ParseErrorCase& parseError, std::ostream* out) {
  *out << ::testing::PrintToString(parseError.arguments);
}

class CliParseErrorTest : public ::testing::TestWithParam<ParseErrorCase> {};

TEST_P(CliParseErrorTest, IsAUsageErrorAlsoUnderJson) {
  const ParseErrorCase& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(
    EveryKind, CliParseErrorTest,
    ::testing::Values(
        ParseErrorCase{"UnknownOption", {"connect", "--frobnicate"}, "--frobnicate"},
        ParseErrorCase{"UnknownCommand", {"flash"}, "unknown command flash"},
        ParseErrorCase{"TwoCommands", {"list", "connect"}, "connect"},
        ParseErrorCase{"NoCommand", {}, "no command given"},
        ParseErrorCase{"NoFile", {"check"}, "check: FILE is required"},
        ParseErrorCase{"NoValue", {"connect", "--wait"}, "--wait"},
        ParseErrorCase{"ValueOfAFlag", {"--force=yes", "download", "a.UD"}, "force"},
        ParseErrorCase{"QuietAndVerbose", {"-qv", "connect"}, "--quiet excludes --verbose"},
        ParseErrorCase{"SimulationOptionAlone",
                       {"--sim-busy", "3", "connect"},
                       "--sim-busy requires --simulate"},
        ParseErrorCase{"NumberOutOfRange",
                       {"--simulate", "--sim-type", "256", "connect"},
                       "--sim-type: expects a number from 0 to 255, not \"256\""},
        ParseErrorCase{"WaitTooLong", {"--wait", "86401", "connect"}, "seconds (0 to 86400)"},
        ParseErrorCase{
            "AbsentInput", {"--simulate", "--sim-flash", "absent.bin", "connect"}, "absent.bin"},
        ParseErrorCase{
            "StandardStreamAsLog", {"--log", "-", "connect"}, "--log: expects a file name"},
        ParseErrorCase{"OptionOfAnotherCommand",
                       {"--backup", "b.bin", "read"},
                       "option --backup belongs to download"}),
    [](const ::testing::TestParamInfo<ParseErrorCase>& info) { return info.param.name; });

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
  // --force says what it does for each command: the station takes no backup.
  std::string words = download.out;  // blanks and line ends as one blank
  words.erase(std::unique(words.begin(), words.end(),
                          [](unsigned char a, unsigned char b) {
                            return std::isspace(a) && std::isspace(b);
                          }),
              words.end());
  std::ranges::replace(words, '\n', ' ');
  EXPECT_NE(words.find("let --backup replace an existing FILE"), std::string::npos) << words;
  const auto station = RunCli({"station", "--help"}).out;
  EXPECT_NE(station.find("\n  --force "), std::string::npos) << station;
  EXPECT_EQ(station.find("--backup"), std::string::npos) << station;
  EXPECT_NE(station.find("\n  --idle SECONDS "), std::string::npos) << station;
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
  for (const char* command :
       {"list", "connect", "check", "download", "read", "verify", "station"}) {
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

}  // namespace
}  // namespace usblink
