#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/TemporaryFolderVariable.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;
using testing::CliWorld;
using testing::kConnectTransactions;
using testing::Pattern;
using testing::RunCli;

// Handshake, then 257 blocks of six transactions in two banks, two bank checks and the commit.
constexpr std::size_t kImageSize = 65536;
constexpr long kTransactionsPerBlock = 6;

// A number field of the JSON result object on the last line of `out`.
long long ResultField(const testing::CliRun& run, const std::string& name) {
  const auto lines = run.OutLines();
  std::smatch match;
  const std::regex field("\"" + name + "\":(-?[0-9]+|true|false)");
  if (lines.empty() || !lines.back().starts_with(R"({"type":"result")") ||
      !std::regex_search(lines.back(), match, field)) {
    ADD_FAILURE() << "no " << name << " in the result: " << run.out;
    return -1;
  }
  if (match[1] == "true") return 1;
  if (match[1] == "false") return 0;
  return std::stoll(match[1]);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliSafetyTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (directory.Path() / name).string(); }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return directory.Write(name, bytes).string();
  }

  // The flash after a stopped download matches what its result object says:
  // the blocks sent hold the image, banks the download never reached keep
  // the flash they had.
  void ExpectFlashMatchesResult(const testing::CliRun& run, const std::vector<std::uint8_t>& before,
                                const std::vector<std::uint8_t>& image) {
    const auto flash = directory.Read("after.bin");
    ASSERT_EQ(flash.size(), before.size());
    const auto blocksSent = static_cast<std::size_t>(ResultField(run, "blocksSent"));
    const auto sent = blocksSent * kBlockSize;
    const auto written = FirmwareImage::FromBytes(image);
    const auto expected = written.Flash();
    EXPECT_TRUE(
        std::equal(flash.begin(), flash.begin() + static_cast<long>(sent), expected.begin()));
    if (ResultField(run, "flashChanged") == 0) {
      EXPECT_EQ(flash, before);
      return;
    }
    // Banks after the one the download was in keep what they held.
    const std::size_t unchangedFrom = (blocksSent / kBlocksPerBank + 1) * kBankSize;
    if (unchangedFrom >= flash.size()) return;
    EXPECT_TRUE(std::equal(flash.begin() + static_cast<long>(unchangedFrom), flash.end(),
                           before.begin() + static_cast<long>(unchangedFrom)));
  }

  testing::TempDirectory directory;
};

TEST_F(CliSafetyTest, TwoRolesNamingOneFileAreAUsageErrorBeforeAnythingIsTouched) {
  const auto imageBytes = Pattern(3000);
  const auto image = Write("new.UD", imageBytes);
  fs::create_hard_link(image, PathOf("hard.UD"));
  // Where the system has no symbolic links, the hard link stands in.
  std::error_code noLinks;
  fs::create_symlink(image, PathOf("link.UD"), noLinks);
  const std::string linked = noLinks ? PathOf("hard.UD") : PathOf("link.UD");
  const std::string dotted = (directory.Path() / "." / "new.UD").string();
  const std::vector<std::vector<std::string>> cases = {
      {"download", "--backup", dotted, image},
      {"download", "--backup", linked, image},
      {"download", "--backup", PathOf("hard.UD"), image},
      {"--log", image, "download", image},
      {"--sim-save", linked, "verify", image},
      {"--log", PathOf("x.bin"), "read", PathOf("x.bin")},
      // A file to come counts too, by where it would be written.
      {"--sim-save", PathOf("later.bin"), "read", (directory.Path() / "." / "later.bin").string()},
  };
  for (const auto& arguments : cases) {
    std::vector<std::string> all{"--simulate"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const auto run = RunCli(all);
    EXPECT_EQ(run.status, kExitUsage) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, " name the same file (")) << run.err;
  }
  EXPECT_EQ(directory.Read("new.UD"), imageBytes);
  EXPECT_FALSE(fs::exists(PathOf("x.bin")));
  EXPECT_FALSE(fs::exists(PathOf("later.bin")));
  const auto named = RunCli({"--simulate", "--log", image, "download", image});
  EXPECT_TRUE(Has(named.err, "usblink-cli: the image and --log name the same file")) << named.err;
}

TEST_F(CliSafetyTest, AnExistingBackupIsNeverReplacedUnlessForced) {
  const auto old = Write("old.bin", Pattern(262144, 9));
  const auto image = Write("new.UD", Pattern(1000, 3));
  const auto earlier = Pattern(500, 1);
  const auto backup = Write("backup.bin", earlier);
  auto run = RunCli({"--simulate", "--sim-flash", old, "--sim-save", PathOf("after.bin"),
                     "download", "--backup", backup, image});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_TRUE(Has(run.err, "Error: The backup file \"" + backup + "\" exists already.")) << run.err;
  EXPECT_EQ(run.out, "");  // the device was never touched
  EXPECT_EQ(directory.Read("backup.bin"), earlier);
  EXPECT_EQ(directory.Read("after.bin"), Pattern(262144, 9));

  run =
      RunCli({"--simulate", "--sim-flash", old, "download", "--force", "--backup", backup, image});
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(directory.Read("backup.bin"), Pattern(262144, 9));
}

TEST_F(CliSafetyTest, AFailedReadLeavesTheEarlierFileAndKeepsTheBytesTaken) {
  const auto earlier = Pattern(262144, 4);
  const auto file = Write("Load.bin", earlier);
  const auto run = RunCli({"--simulate", "--sim-unplug-after", "20", "read", file});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_EQ(directory.Read("Load.bin"), earlier);
  const auto partial = directory.Read("Load.bin.partial");
  // Blocks 0 and 1 and four transfers of block 2 before the calculator went.
  EXPECT_EQ(partial.size(), 752u);
  EXPECT_TRUE(
      std::equal(partial.begin(), partial.end(), std::vector<std::uint8_t>(752, 0xFF).begin()));
  EXPECT_TRUE(Has(run.err, "File: \"" + file +
                               "\" is left as it was; the 752 bytes read are kept in \"" + file +
                               ".partial\".\n"))
      << run.err;

  // Nothing read, nothing left behind; a name not taken is not made.
  const auto none = RunCli({"--simulate", "--sim-unplug-after", "3", "read", PathOf("new.bin")});
  EXPECT_EQ(none.status, kExitDeviceError);
  EXPECT_FALSE(fs::exists(PathOf("new.bin")));
  EXPECT_FALSE(fs::exists(PathOf("new.bin.partial")));
  EXPECT_TRUE(Has(none.err, "\"" + PathOf("new.bin") + "\" was not made; no byte was read.\n"));
  EXPECT_EQ(std::distance(fs::directory_iterator(directory.Path()), fs::directory_iterator()), 2);
}

TEST_F(CliSafetyTest, ADownloadLetsTheFirstInterruptPassWithAWarning) {
  const auto bytes = Pattern(kImageSize, 2);
  const auto image = Write("new.UD", bytes);
  CliWorld world;
  world.beforeTransaction = [](long sent, StopSignals& signals) {
    if (sent == 100) signals.Interrupt();
  };
  const auto run = RunCli({"--simulate", "--json", "download", image}, false, world);
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(run.err,
            "Warning: stopping the download now can leave the calculator unable to start. The "
            "download goes on; press Ctrl-C again to stop anyway.\n");
  EXPECT_EQ(ResultField(run, "committed"), 1);
}

TEST_F(CliSafetyTest, ASecondInterruptOrAnEndStopsTheDownloadBetweenTransactions) {
  const auto before = Pattern(262144, 7);
  const auto flash = Write("before.bin", before);
  const auto bytes = Pattern(kImageSize, 2);
  const auto image = Write("new.UD", bytes);
  // The stop comes during the last transfer of block 32.
  constexpr long kStoppedDuring = kConnectTransactions + 33 * kTransactionsPerBlock - 1;
  const std::vector<std::function<void(long, StopSignals&)>> stops = {
      [](long sent, StopSignals& signals) {
        if (sent == 10 || sent == kStoppedDuring) signals.Interrupt();
      },
      [](long sent, StopSignals& signals) {
        if (sent == kStoppedDuring) signals.AskToEnd();
      },
  };
  for (const auto& stop : stops) {
    CliWorld world;
    world.beforeTransaction = stop;
    const auto run = RunCli({"--simulate", "--json", "--sim-flash", flash, "--sim-save",
                             PathOf("after.bin"), "--log", PathOf("log.txt"), "download", image},
                            false, world);
    EXPECT_EQ(run.status, kExitInterrupted) << run.err;
    const Json expected = {{"outcome", "interrupted"}, {"exitStatus", 130}, {"flashChanged", true},
                           {"committed", false},       {"blocksSent", 33},  {"totalBlocks", 257},
                           {"banksVerified", 0}};
    EXPECT_EQ(run.ResultFields(expected), expected);
    const std::string state =
        "State: the flash was changed and nothing was committed: stopped after 33 of 257 "
        "blocks, banks verified: none. The calculator may not start until the same download "
        "runs again: download \"" +
        image + "\".\n";
    EXPECT_TRUE(run.err.ends_with(state)) << run.err;
    // The state, then the end as the log's last line.
    const auto log = directory.Read("log.txt");
    const std::string logText(log.begin(), log.end());
    const auto stateAt = logText.rfind(state);
    ASSERT_NE(stateAt, std::string::npos) << logText;
    EXPECT_TRUE(logText.substr(stateAt + state.size()).starts_with("Ended ")) << logText;
    EXPECT_EQ(std::ranges::count(logText.substr(stateAt + state.size()), '\n'), 1);
    ExpectFlashMatchesResult(run, before, bytes);
  }
}

TEST_F(CliSafetyTest, ConnectReadBackupAndVerifyStopAtTheFirstInterrupt) {
  const auto before = Pattern(262144, 7);
  const auto flash = Write("before.bin", before);
  const auto image = Write("new.UD", Pattern(kImageSize, 2));
  const auto earlier = Pattern(100, 5);
  const auto file = Write("read.bin", earlier);
  struct Case {
    std::vector<std::string> arguments;
    long interruptAt;
  };
  const Case cases[] = {
      {{"connect"}, 0},
      {{"read", file}, 50},
      {{"download", "--backup", PathOf("backup.bin"), image}, 50},
      // The backup's last transaction: the backup is whole, the download never starts.
      {{"download", "--backup", PathOf("whole.bin"), image}, kConnectTransactions + 6143},
      {{"verify", image}, 50},
  };
  for (const Case& c : cases) {
    CliWorld world;
    world.beforeTransaction = [&c](long sent, StopSignals& signals) {
      if (sent == c.interruptAt) signals.Interrupt();
    };
    std::vector<std::string> arguments{"--simulate", "--json",     "--sim-flash",
                                       flash,        "--sim-save", PathOf("after.bin")};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto run = RunCli(arguments, false, world);
    EXPECT_EQ(run.status, kExitInterrupted) << c.arguments[0] << "\n" << run.err;
    EXPECT_TRUE(Has(run.OutLines().back(), R"("outcome":"interrupted","exitStatus":130)"));
    EXPECT_FALSE(Has(run.err, "Warning")) << run.err;
    EXPECT_EQ(directory.Read("after.bin"), before);
  }
  EXPECT_EQ(directory.Read("read.bin"), earlier);
  EXPECT_EQ(directory.Read("read.bin.partial").size(), 8u * 256);
  EXPECT_FALSE(fs::exists(PathOf("backup.bin")));
  EXPECT_EQ(directory.Read("backup.bin.partial").size(), 8u * 256);
  EXPECT_EQ(directory.Read("whole.bin"), before);
}

#ifndef _WIN32
TEST_F(CliSafetyTest, VerifysScratchFolderIsPrivateAndGoesWithTheRunAlsoWhenInterrupted) {
  const auto image = Write("new.UD", Pattern(1000));
  const fs::path temporary = directory.Path() / "tmp";
  fs::create_directory(temporary);
  std::vector<fs::perms> seen;
  CliWorld world;
  world.beforeTransaction = [&](long sent, StopSignals& signals) {
    if (sent != 20) return;
    for (const auto& folder : fs::directory_iterator(temporary)) {
      seen.push_back(folder.status().permissions());
      for (const auto& file : fs::directory_iterator(folder.path())) {
        seen.push_back(file.status().permissions());
      }
    }
    signals.Interrupt();
  };
  testing::CliRun stopped;
  testing::CliRun whole;
  {
    const testing::TemporaryFolderVariable inTest(temporary.string());
    stopped = RunCli({"--simulate", "verify", image}, false, world);
    whole = RunCli({"--simulate", "verify", image});
  }
  EXPECT_EQ(stopped.status, kExitInterrupted);
  EXPECT_EQ(whole.status, kExitDifferences);
  EXPECT_EQ(seen, (std::vector<fs::perms>{fs::perms::owner_all,
                                          fs::perms::owner_read | fs::perms::owner_write}));
  EXPECT_TRUE(fs::is_empty(temporary));
}
#endif

TEST_F(CliSafetyTest, AFailureInTheMiddleOfADownloadSaysWhatTheFlashHolds) {
  const auto image = Write("new.UD", Pattern(kImageSize, 2));
  // The 700th data transfer is the fifth of block 139.
  auto run = RunCli({"--simulate", "--json", "--sim-status", "10:700:AA", "download", image});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(Has(run.OutLines().back(),
                  R"("flashChanged":true,"committed":false,"blocksSent":139,"totalBlocks":257,)"
                  R"("banksVerified":0})"))
      << run.out;
  EXPECT_TRUE(Has(run.err,
                  "State: the flash was changed and nothing was committed: stopped "
                  "after 139 of 257 blocks, banks verified: none."));

  run = RunCli({"--simulate", "--sim-bad-bank", "1", "download", image});
  EXPECT_EQ(run.status, kExitChecksumMismatch);
  EXPECT_TRUE(Has(run.err, "stopped after 257 of 257 blocks, banks verified: 0. ")) << run.err;

  // Refused before the device: nothing changed, nothing to say.
  run = RunCli({"--simulate", "--json", "--sim-type", "1", "download", image});
  EXPECT_EQ(run.status, kExitRefused);
  EXPECT_TRUE(Has(run.OutLines().back(),
                  R"("flashChanged":false,"committed":false,"blocksSent":0,"totalBlocks":257,)"))
      << run.out;
  EXPECT_FALSE(Has(run.err, "State:"));
}

TEST_F(CliSafetyTest, ACalculatorHeldByAnotherProgramIsInUse) {
  CliWorld world;
  world.calculatorInUse = "/dev/hidraw3";
  const auto run = RunCli({"connect"}, false, world);
  EXPECT_EQ(run.status, kExitInUse);
  EXPECT_EQ(run.err,
            "Error: The calculator (/dev/hidraw3) is in use by another program. Try again once "
            "it is done.\nusblink-cli: calculator in use\n");
}

}  // namespace
}  // namespace usblink
