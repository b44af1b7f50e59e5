// What usblink-cli tells on its streams and in its log file, on real runs
// with the simulated calculator: the short account of each command, the
// JSON Lines schema, the --log file, --wait and the progress on stderr.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>

#include "cli/RunLog.h"
#include "cli/TerminalView.h"
#include "hid/ApiLog.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;
using testing::CliRun;
using testing::Pattern;
using testing::RunCli;

constexpr std::string_view kCalculatorPath =
    R"(\\?\hid#vid_04fc&pid_0c77#6&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";

// Lines with every duration ("4.2 s", "1:05") written as "T".
std::vector<std::string> Timeless(const std::vector<std::string>& lines) {
  static const std::regex duration(R"([0-9]+\.[0-9] s|[0-9]+:[0-9]{2})");
  std::vector<std::string> out;
  for (const auto& line : lines) out.push_back(std::regex_replace(line, duration, "T"));
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  CliRun run;
  run.out = text;
  return run.OutLines();
}

long Count(const std::string& text, const std::string& part) {
  long count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class CliOutputTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (directory.Path() / name).string(); }
  std::string Text(const std::string& name) const {
    const auto bytes = directory.Read(name);
    return {bytes.begin(), bytes.end()};
  }

  testing::TempDirectory directory;
  const std::vector<std::uint8_t> imageBytes = Pattern(70000, 4);  // 274 blocks, two banks
  const std::string image = directory.Write("new.UD", imageBytes).string();
  const FirmwareImage written = FirmwareImage::FromBytes(imageBytes);

  // The bytes where an erased flash differs from what the image writes.
  [[nodiscard]] long ErasedDiffer() const {
    const auto flash = written.Flash();
    return static_cast<long>(flash.size()) - std::ranges::count(flash, std::uint8_t{0xFF});
  }
};

TEST_F(CliOutputTest, EachCommandTellsInShortWhatAPersonNeeds) {
  const std::string calculator =
      "Calculator: " + std::string(kCalculatorPath) + " (4FC:C77, VQHDL307E TRM815C)";
  const std::string sums[] = {HexText(written.BankChecksum(0)), HexText(written.BankChecksum(1))};
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> out;
  };
  const Case cases[] = {
      {{"connect"}, {calculator, "Connected in T; the calculator is ready for a download."}},
      {{"download", image},
       {calculator, "Bank 0 written, checksum " + sums[0] + " verified",
        "Bank 1 written, checksum " + sums[1] + " verified",
        "Written: 274 blocks (70144 bytes) of \"" + image + "\" in T.",
        "Next: the calculator is now updating itself (1-3 min); do not unplug it until it shows "
        "Update Success!"}},
      {{"download", "--backup", PathOf("old.bin"), image},
       {calculator, "Bank 0 read", "Bank 1 read", "Bank 2 read", "Bank 3 read",
        "Backup: 262144 bytes in \"" + PathOf("old.bin") + "\".",
        "Bank 0 written, checksum " + sums[0] + " verified",
        "Bank 1 written, checksum " + sums[1] + " verified",
        "Written: 274 blocks (70144 bytes) of \"" + image + "\" in T.",
        "Next: the calculator is now updating itself (1-3 min); do not unplug it until it shows "
        "Update Success!"}},
      {{"read", PathOf("Load.bin")},
       {calculator, "Bank 0 read", "Bank 1 read", "Bank 2 read", "Bank 3 read",
        "Read: 262144 bytes into \"" + PathOf("Load.bin") + "\" in T."}},
      {{"--sim-flash", PathOf("Load.bin"), "verify", image},
       {calculator, "Bank 0 read", "Bank 1 read", "Bank 2 read", "Bank 3 read",
        "First difference at offset 0, " + std::to_string(ErasedDiffer()) + " bytes differ"}},
      {{"--sim-bad-bank", "1", "download", image},
       {calculator, "Bank 0 written, checksum " + sums[0] + " verified",
        "Bank 1 written, checksum " + sums[1] + ", the calculator's " +
            HexText(written.BankChecksum(1) + 1) + ": they differ"}},
      {{"--sim-others", "1", "list"},
       {"0: 46D:C31C  \\\\?\\hid#vid_046d&pid_c31c#7&2a8e4b1c&0&0000#"
        "{4d1e55b2-f16f-11cf-88cb-001111000030}  \"Logitech\"  \"USB Keyboard\"",
        "1: 4FC:C77  " + std::string(kCalculatorPath) +
            "  serial SIM0001  \"usblink\"  \"Simulated calculator\"  <- calculator 1"}},
      {{"check", image},
       {"File: " + image + ", 70000 bytes", "Blocks sent: 274 (0 to 111 hex)",
        "Padding: 144 bytes of 0x00 complete the last block; a download writes 70144 bytes",
        "Bank 0 checksum: " + sums[0], "Bank 1 checksum: " + sums[1], "Commit: 2 banks"}},
      {{"--sim-type", "1", "connect"}, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments{"--simulate"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto run = RunCli(arguments);
    EXPECT_EQ(Timeless(run.OutLines()), c.out) << ::testing::PrintToString(c.arguments);
  }
}

// Every line is one object with a type; one start first, one result last.
void ExpectSchema(const CliRun& run, const std::string& command) {
  const auto objects = run.Objects();
  ASSERT_GE(objects.size(), 2u) << run.out;
  for (const auto& object : objects) {
    EXPECT_TRUE(object.contains("type") && object["type"].is_string()) << object.dump();
  }
  EXPECT_EQ(run.Objects("start").size(), 1u);
  EXPECT_EQ(run.Objects("result").size(), 1u);
  const auto& start = objects.front();
  EXPECT_EQ(start["type"], "start");
  EXPECT_EQ(start["schemaVersion"], cli::kJsonSchemaVersion);
  EXPECT_EQ(start["program"], "usblink-cli");
  EXPECT_TRUE(start["version"].is_string());
  EXPECT_TRUE(std::regex_match(start["time"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
      << start.dump();
  if (command.empty()) {
    EXPECT_TRUE(start["command"].is_null());
  } else {
    EXPECT_EQ(start["command"], command);
  }
  const auto& result = objects.back();
  EXPECT_EQ(result["type"], "result");
  EXPECT_EQ(result["exitStatus"], run.status);
  EXPECT_TRUE(result["outcome"].is_string());
  EXPECT_TRUE(result["duration"].is_number());
}

TEST_F(CliOutputTest, JsonLinesFollowTheSchemaOnEveryRun) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
      {{"--simulate", "--json", "connect"}, "connect"},
      {{"--simulate", "--json", "download", "--backup", PathOf("backup.bin"), image}, "download"},
      {{"--simulate", "--json", "-q", "read", PathOf("read.bin")}, "read"},
      {{"--simulate", "--json", "verify", image}, "verify"},
      {{"--simulate", "--json", "--sim-bad-bank", "0", "download", image}, "download"},
      {{"--simulate", "--json", "--sim-silent-after", "40", "download", image}, "download"},
      {{"--json", "--wait", "0.5", "connect"}, "connect"},
      {{"--json", "check", image}, "check"},
      {{"--simulate", "--json", "list"}, "list"},
      // Several calculators.
      {{"--simulate", "--json", "--sim-calculators", "2", "connect"}, "connect"},
      {{"--simulate", "--json", "--sim-calculators", "2", "--sim-fault-on", "2", "--sim-bad-bank",
        "0", "--all", "download", image},
       "download"},
      {{"--simulate", "--json", "--sim-calculators", "2", "station", "--count", "2", image},
       "station"},
      {{"--json", "download", PathOf("absent.UD")}, "download"},
      // Usage errors too.
      {{"--json", "--bogus", "connect"}, ""},
      {{"--json", "--log", image, "download", image}, "download"},
  };
  std::map<std::string, std::set<std::string>> seen;  // the fields of each type
  for (const auto& [arguments, command] : runs) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const auto run = RunCli(arguments);
    ExpectSchema(run, command);
    // Stdout holds only the objects; stderr at most the State line.
    EXPECT_EQ(run.err.find("usblink-cli:"), std::string::npos) << run.err;
    for (const auto& object : run.Objects()) {
      for (const auto& [key, value] : object.items()) seen[object.value("type", "")].insert(key);
    }
  }
  // Each type and field that came is described.
  std::ifstream file(std::filesystem::path(USBLINK_SOURCE_DIR) / "docs" / "json-lines.md");
  const std::string documentation{std::istreambuf_iterator<char>(file), {}};
  ASSERT_FALSE(documentation.empty());
  // What comes before the first type holds the fields of every type.
  const std::string common = documentation.substr(0, documentation.find("\n## "));
  for (const auto& [type, fields] : seen) {
    const auto section = documentation.find("\n## " + type + "\n");
    ASSERT_NE(section, std::string::npos) << type;
    const auto next = documentation.find("\n## ", section + 1);
    const std::string described = common + documentation.substr(section, next - section);
    for (const auto& field : fields) {
      if (field == "type") continue;
      EXPECT_NE(described.find("`" + field + "`"), std::string::npos) << type << "." << field;
    }
  }
}

TEST_F(CliOutputTest, JsonTellsTheCalculatorTheBanksAndAFewProgressObjectsAPhase) {
  const auto run =
      RunCli({"--simulate", "--json", "download", "--backup", PathOf("backup.bin"), image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  const auto found = run.Objects("calculator");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], (Json{{"type", "calculator"},
                            {"path", kCalculatorPath},
                            {"vendorId", "4FC"},
                            {"productId", "C77"},
                            {"identity", "VQHDL307E TRM815C"}}));
  const auto banks = run.Objects("bank");
  ASSERT_EQ(banks.size(), 2u);
  for (int bank = 0; bank < 2; ++bank) {
    EXPECT_EQ(banks[bank]["bank"], bank);
    EXPECT_EQ(banks[bank]["hostChecksum"], HexText(written.BankChecksum(bank)));
    EXPECT_EQ(banks[bank]["deviceChecksum"], HexText(written.BankChecksum(bank)));
    EXPECT_EQ(banks[bank]["verified"], true);
  }
  const auto result = run.Result();
  EXPECT_EQ(result["devicePath"], kCalculatorPath);
  EXPECT_EQ(result["bytes"], 274 * 256);
  // At most four a second besides the first of a phase and each bank's end.
  const double seconds = result["duration"].get<double>();
  const auto progress = run.Objects("progress");
  EXPECT_LE(static_cast<double>(progress.size()), seconds * 4 + 2 * 2 + 4 + 2);
  // And at every bank's end, where the bank object follows.
  for (const auto& [operation, blocks] :
       std::vector<std::pair<std::string, int>>{{"backup", 256},
                                                {"backup", 512},
                                                {"backup", 768},
                                                {"backup", 1024},
                                                {"download", 256},
                                                {"download", 274}}) {
    EXPECT_EQ(std::ranges::count_if(progress,
                                    [&](const Json& object) {
                                      return object["operation"] == operation &&
                                             object["blocks"] == blocks;
                                    }),
              1)
        << operation << " " << blocks;
  }
  // A usage error: the start, the reason and the result.
  const auto usage = RunCli({"--json", "--wait", "soon", "connect"});
  EXPECT_EQ(usage.status, kExitUsage);
  const auto objects = usage.Objects();
  ASSERT_EQ(objects.size(), 3u) << usage.out;
  EXPECT_EQ(objects[1]["type"], "message");
  EXPECT_EQ(objects[1]["text"], "--wait: expects seconds (0 to 86400), not \"soon\"");
  EXPECT_EQ(objects[2]["outcome"], "usage error");
}

TEST_F(CliOutputTest, TheLogFileHoldsTheWholeRunWhateverStdoutShows) {
  const auto verbose = RunCli({"--simulate", "-v", "--sim-bad-bank", "1", "download", image});
  for (const auto& mode : std::vector<std::string>{"", "-q", "--json", "-v"}) {
    std::vector<std::string> arguments{
        "--simulate", "--log", PathOf("run.log"), "--sim-bad-bank", "1", "download", image};
    if (!mode.empty()) arguments.insert(arguments.begin(), mode);
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.status, kExitChecksumMismatch);
    const auto lines = Lines(Text("run.log"));
    ASSERT_GT(lines.size(), 6u);
    EXPECT_TRUE(std::regex_match(
        lines[0],
        std::regex(R"(usblink-cli [0-9.]+, started \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
        << lines[0];
    EXPECT_EQ(lines[1], "Command line: " + cli::CommandLineText(arguments));
    // The log as the window shows it, the box where it came, then the state and the end.
    std::vector<std::string> expected = verbose.OutLines();
    const auto box =
        std::ranges::find(expected, " NorFlashCheckSum = " + HexText(written.BankChecksum(1) + 1));
    ASSERT_NE(box, expected.end());
    expected.insert(
        box + 1,
        "Error: BankCheckSum is different. Maybe Flash is broken. Please download again！");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end() - 2), expected) << mode;
    EXPECT_TRUE(std::regex_match(
        lines.back(),
        std::regex(
            R"(Ended \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z after [0-9.]+ s: bank checksum mismatch, exit status 5)")))
        << lines.back();
    EXPECT_TRUE(lines[lines.size() - 2].starts_with("State: the flash was changed"))
        << lines[lines.size() - 2];
  }
  EXPECT_EQ(cli::CommandLineText({"--log", "my log.txt", "download", "a\"b.UD", ""}),
            R"(usblink-cli --log "my log.txt" download "a\"b.UD" "")");
  // An argument with a newline forges no line of its own.
  EXPECT_EQ(cli::CommandLineText({"download", "x.UD\nEnded: ok, exit status 0", "it's\t\x1b"}),
            R"(usblink-cli download $'x.UD\nEnded: ok, exit status 0' $'it\'s\x09\x1b')");
}

TEST_F(CliOutputTest, WaitShowsTheWalkOnceAndAgainOnlyWhenSomethingChanges) {
  // Nothing ever comes: one walk, one waiting line, for the whole wait.
  auto run = RunCli({"-v", "--wait", "2", "connect"});
  EXPECT_EQ(run.status, kExitNotFound);
  EXPECT_EQ(Count(run.out, "GetHidGuid\n"), 1);
  EXPECT_EQ(Count(run.out, " Not Find USB Link!\n"), 1);
  EXPECT_EQ(Count(run.err, "waiting for the calculator…\n"), 1) << run.err;
  EXPECT_GE(run.elapsed, 2s);

  // A mouse after 1 s, the calculator after 2 s: three walks, the last one connects.
  testing::CliWorld world;
  world.afterWait = [](sim::SimBus& machine, std::chrono::milliseconds now) {
    if (now >= 1s && machine.interfaces.empty()) {
      machine.interfaces.push_back(sim::SimBus::OtherInterface(1));
    }
    if (now >= 2s && machine.interfaces.size() == 1) {
      machine.interfaces.push_back(sim::SimBus::CalculatorInterface());
    }
  };
  run = RunCli({"-v", "--wait", "60", "connect"}, false, world);
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(Count(run.out, "GetHidGuid\n"), 3);
  EXPECT_EQ(Count(run.out, " Not Find USB Link!\n"), 2);
  EXPECT_EQ(run.OutLines().back(), "Connected to the device, you can download files！");
  EXPECT_EQ(Count(run.err, "waiting for the calculator…\n"), 2) << run.err;
  EXPECT_LT(run.elapsed, 3s);

  // In short, and in JSON.
  run = RunCli({"--wait", "60", "connect"}, false, world);
  EXPECT_EQ(Timeless(run.OutLines()),
            (std::vector<std::string>{
                "Calculator: " + std::string(kCalculatorPath) + " (4FC:C77, VQHDL307E TRM815C)",
                "Connected in T; the calculator is ready for a download."}));
  run = RunCli({"--json", "--wait", "60", "connect"}, false, world);
  const auto waiting = run.Objects("waiting");
  ASSERT_EQ(waiting.size(), 2u);
  EXPECT_EQ(waiting[0]["seconds"], 60.0);
  EXPECT_EQ(run.Objects("calculator").size(), 1u);
}

TEST_F(CliOutputTest, TheProgressSaysAStallAndWhereItStopped) {
  // Every read takes 5 s; after the handshake and two blocks the calculator stays busy.
  const std::vector<std::string> arguments{
      "--simulate", "--sim-slow-read", "5000", "--sim-silent-after", "15", "download", image};
  auto run = RunCli(arguments, true);
  EXPECT_EQ(run.status, kExitDeviceError);
  // The wait is told after each poll: the sixth read, at 30 s, ends it.
  for (const int seconds : {5, 10, 25}) {
    EXPECT_NE(run.err.find("  0%  512/70144 B  no answer for " + std::to_string(seconds) + " s"),
              std::string::npos)
        << seconds << run.err;
  }
  const auto box = run.err.find("Error: PC Timeout Error! \n");
  const auto last = run.err.find(
      "\r\033[Kdownload stopped after 2 of 274 blocks (512/70144 B, 0%) in 1:30, no answer for "
      "25 s\n");
  EXPECT_NE(box, std::string::npos) << run.err;
  EXPECT_NE(last, std::string::npos) << run.err;
  EXPECT_LT(box, last);

  // Off a terminal: plain lines.
  run = RunCli(arguments, false);
  const auto lines = Timeless(Lines(run.err));
  ASSERT_GE(lines.size(), 7u) << run.err;
  EXPECT_EQ(
      std::vector<std::string>(lines.begin(), lines.begin() + 7),
      (std::vector<std::string>{
          "download: no answer for 5 s", "download: no answer for 10 s",
          "download: no answer for 15 s", "download: no answer for 20 s",
          "download: no answer for 25 s", "Error: PC Timeout Error! ",
          "download stopped after 2 of 274 blocks (512/70144 B, 0%) in T, no answer for 25 s"}));
  // Two phases, each labelled, each with its last line.
  run = RunCli({"--simulate", "download", "--backup", PathOf("old.bin"), image}, true);
  ASSERT_EQ(run.status, kExitSuccess);
  EXPECT_TRUE(run.err.starts_with("\r\033[Kbackup 1/2 [")) << run.err;
  EXPECT_NE(run.err.find("\r\033[Kbackup 1/2 done: 262144 B in "), std::string::npos);
  EXPECT_NE(run.err.find("\r\033[Kdownload 2/2 ["), std::string::npos);
  EXPECT_TRUE(std::regex_search(run.err,
                                std::regex("\r\033\\[Kdownload 2/2 done: 70144 B in [0-9.]+ s\n$")))
      << run.err;
  // A narrow terminal: no line wider than it.
  testing::CliWorld narrow;
  narrow.columns = 40;
  run = RunCli({"--simulate", "download", image}, true, narrow);
  for (const auto& line : Lines(run.err)) {
    std::size_t last = line.rfind('\r');
    last = last == std::string::npos ? 0 : last + 1;
    const std::string shown = line.substr(line.compare(last, 3, "\033[K") == 0 ? last + 3 : last);
    EXPECT_LE(shown.size(), 39u) << shown;
  }
}

}  // namespace
}  // namespace usblink
