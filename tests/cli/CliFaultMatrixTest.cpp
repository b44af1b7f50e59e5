// Every fault of the simulated calculator against every command, and
// interrupts at several moments: each run ends in its documented state.
// Its exit status is one of the documented ones and the result object says
// the same; each file is whole, or as it was with at most a .partial of what
// was read; the flash is what the result object says it is.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/ImagePattern.h"
#include "tests/cli/TemporaryFolderVariable.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;
using testing::Pattern;

const std::set<int> kDocumentedStatuses = {kExitSuccess,          kExitNotFound,    kExitRefused,
                                           kExitChecksumMismatch, kExitDeviceError, kExitFileError,
                                           kExitDifferences,      kExitInterrupted};

constexpr long kConnectTransactions = 3;
constexpr long kReadBackTransactions = 6144;

struct Interrupts {
  std::string name;
  std::vector<long> at;  // transactions during which an interrupt comes
};

struct Result {
  std::map<std::string, std::string> fields;
  [[nodiscard]] long long Number(const std::string& name) const {
    const auto found = fields.find(name);
    return found == fields.end() ? -1 : std::stoll(found->second);
  }
  [[nodiscard]] bool Flag(const std::string& name) const {
    const auto found = fields.find(name);
    return found != fields.end() && found->second == "true";
  }
};

Result ParseResult(const std::string& line) {
  Result result;
  const std::regex field(R"re("([A-Za-z]+)":("[^"]*"|[^,}]+))re");
  for (auto it = std::sregex_iterator(line.begin(), line.end(), field);
       it != std::sregex_iterator(); ++it) {
    result.fields[(*it)[1]] = (*it)[2];
  }
  return result;
}

bool IsPrefixOf(const std::vector<std::uint8_t>& part, const std::vector<std::uint8_t>& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

class CliFaultMatrixTest : public ::testing::Test {
 protected:
  fs::path Path(const std::string& name) const { return directory.Path() / name; }

  testing::TempDirectory directory;
};

TEST_F(CliFaultMatrixTest, EveryRunEndsInItsDocumentedState) {
  const auto before = Pattern(262144, 7);
  const auto imageBytes = Pattern(70000, 2);  // 274 blocks in two banks
  const auto image = FirmwareImage::FromBytes(imageBytes);
  const auto imageFlash = image.Flash();
  const auto earlier = Pattern(100, 5);
  const std::string flashFile = directory.Write("before.bin", before).string();
  const std::string imageFile = directory.Write("new.UD", imageBytes).string();
  const fs::path scratch = Path("tmp");
  fs::create_directory(scratch);

  const std::vector<std::vector<std::string>> faults = {
      {},
      {"--sim-busy", "3"},
      {"--sim-slow-read", "40"},
      {"--sim-status", "31:1:55"},
      {"--sim-status", "03:300:AA"},
      {"--sim-status", "04:100:55"},
      {"--sim-status", "10:700:AA"},
      {"--sim-status", "02:2:55"},
      {"--sim-status", "08:1:AA"},
      {"--sim-bad-bank", "0"},
      {"--sim-bad-bank", "1"},
      {"--sim-identity", "x"},
      {"--sim-type", "1"},
      {"--sim-flash-id", "255"},
      {"--sim-silent-after", "500"},
      {"--sim-unplug-after", "800"},
      {"--sim-others", "3"},
      {"--sim-others", "1", "--sim-locked", "1"},
      {"--sim-absent"},
      {"--sim-ids", "4FC:C78"},
  };
  const std::vector<std::vector<std::string>> commands = {
      {"connect"},
      {"download", imageFile},
      {"read", Path("read.bin").string()},
      {"verify", imageFile},
      {"download", "--backup", Path("backup.bin").string(), imageFile},
  };
  const std::vector<Interrupts> interrupts = {
      {"none", {}},
      {"one at 2", {2}},
      {"one at 400", {400}},
      {"one at 6500", {6500}},
      {"two at 2", {2, 3}},
      {"two at 400", {400, 401}},
      {"two at 6500", {6500, 6501}},
  };

  std::map<int, int> statuses;
  int runs = 0;
  const auto check = [&](const std::vector<std::string>& fault,
                         const std::vector<std::string>& command, const Interrupts& stops) {
    for (const auto& file :
         {"read.bin", "backup.bin", "read.bin.partial", "backup.bin.partial", "after.bin"}) {
      fs::remove(Path(file));
    }
    directory.Write("read.bin", earlier);
    std::vector<std::string> arguments{"--simulate", "--json",     "--sim-flash",
                                       flashFile,    "--sim-save", Path("after.bin").string()};
    arguments.insert(arguments.end(), fault.begin(), fault.end());
    arguments.insert(arguments.end(), command.begin(), command.end());
    SCOPED_TRACE(::testing::PrintToString(arguments) + " interrupts " + stops.name);
    testing::CliWorld world;
    world.beforeTransaction = [&stops](long sent, StopSignals& signals) {
      if (std::ranges::count(stops.at, sent) != 0) signals.Interrupt();
    };
    const auto run = testing::RunCli(arguments, false, world);
    ++runs;
    ++statuses[run.status];

    EXPECT_TRUE(kDocumentedStatuses.contains(run.status)) << run.status;
    const auto lines = run.OutLines();
    ASSERT_FALSE(lines.empty());
    const Result result = ParseResult(lines.back());
    EXPECT_EQ(result.Number("exitStatus"), run.status) << lines.back();
    EXPECT_EQ(result.fields.at("outcome") == "\"interrupted\"", run.status == kExitInterrupted);
    const bool download = command[0] == "download";
    const bool backup = command.size() > 2;
    // Only a download in progress lets one interrupt pass.
    const long downloadFrom = kConnectTransactions + (backup ? kReadBackTransactions : 0);
    const bool reachedEnough =
        stops.at.size() > 1 || (!stops.at.empty() && (!download || stops.at[0] < downloadFrom));
    if (run.status == kExitInterrupted) {
      EXPECT_TRUE(reachedEnough);
    }

    // No staging file is ever left behind, nor a scratch folder.
    for (const auto& entry : fs::directory_iterator(directory.Path())) {
      EXPECT_FALSE(entry.path().extension() == ".tmp") << entry.path();
    }
    EXPECT_TRUE(fs::is_empty(scratch));

    const auto flash = directory.Read("after.bin");
    ASSERT_EQ(flash.size(), before.size());
    if (command[0] == "read") {
      const auto read = directory.Read("read.bin");
      EXPECT_EQ(read, run.status == kExitSuccess ? before : earlier);
      EXPECT_TRUE(IsPrefixOf(directory.Read("read.bin.partial"), before));
      if (run.status == kExitSuccess) {
        EXPECT_FALSE(fs::exists(Path("read.bin.partial")));
      }
    }
    if (backup) {
      if (fs::exists(Path("backup.bin"))) {
        EXPECT_EQ(directory.Read("backup.bin"), before);
        EXPECT_FALSE(fs::exists(Path("backup.bin.partial")));
      } else {
        EXPECT_NE(run.status, kExitSuccess);
        EXPECT_TRUE(IsPrefixOf(directory.Read("backup.bin.partial"), before));
      }
    }
    if (!download) {
      EXPECT_EQ(flash, before);
      return;
    }
    const auto blocksSent = static_cast<std::size_t>(result.Number("blocksSent"));
    EXPECT_EQ(result.Number("totalBlocks"), image.SentBlocks());
    const bool changed = result.Flag("flashChanged");
    const bool committed = result.Flag("committed");
    EXPECT_EQ(committed, run.status == kExitSuccess);
    // The old flash was saved before anything was changed.
    if (backup && changed) {
      EXPECT_TRUE(fs::exists(Path("backup.bin")));
    }
    EXPECT_EQ(run.err.find("State: ") != std::string::npos, changed && !committed) << run.err;
    if (!changed) {
      EXPECT_EQ(blocksSent, 0u);
      EXPECT_EQ(flash, before);
      return;
    }
    const auto sent = static_cast<long>(blocksSent * kBlockSize);
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + sent, imageFlash.begin()));
    // A bank is verified only once all its blocks are sent.
    EXPECT_LE(result.Number("banksVerified"),
              static_cast<long long>((blocksSent + kBlocksPerBank - 1) / kBlocksPerBank));
    if (committed) {
      EXPECT_EQ(result.Number("banksVerified"), image.Banks());
      EXPECT_EQ(static_cast<int>(blocksSent), image.SentBlocks());
      EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + static_cast<long>(imageFlash.size()),
                             imageFlash.begin()));
    }
    // Banks after the one the download was in keep what they held.
    const auto unchangedFrom = static_cast<long>((blocksSent / kBlocksPerBank + 1) * kBankSize);
    if (unchangedFrom < static_cast<long>(flash.size())) {
      EXPECT_TRUE(
          std::equal(flash.begin() + unchangedFrom, flash.end(), before.begin() + unchangedFrom));
    }
  };

  {
    const testing::TemporaryFolderVariable inTest(scratch.string());
    for (const auto& fault : faults) {
      for (const auto& command : commands) check(fault, command, interrupts.front());
    }
    for (const auto& stops : interrupts) {
      if (stops.at.empty()) continue;
      for (const auto& command : commands) check({}, command, stops);
    }
  }

  EXPECT_EQ(runs, static_cast<int>(faults.size() * commands.size() +
                                   (interrupts.size() - 1) * commands.size()));
  std::string counts;
  for (const auto& [status, count] : statuses) {
    counts += " " + std::to_string(status) + ":" + std::to_string(count);
  }
  RecordProperty("statuses", counts);
  std::cout << runs << " runs, exit status:count" << counts << "\n";
}

}  // namespace
}  // namespace usblink
