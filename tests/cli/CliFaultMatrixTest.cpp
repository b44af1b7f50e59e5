// Every fault of the simulated calculator against every command, and
// interrupts at several moments, each pair a case of its own: each run ends
// in its documented state.
// Its exit status is one of the documented ones and the result object says
// the same; each file is whole, or as it was with at most a .partial of what
// was read; the flash is what the result object says it is.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/TemporaryFolderVariable.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;
using testing::kConnectTransactions;
using testing::Pattern;

// A simulated run with a sound command line ends in a status the help
// documents; never in a usage error, nor in one that only the system of a
// real calculator gives.
bool Documented(int status) {
  return std::ranges::find(kExitStatuses, status, &ExitStatusEntry::status) !=
             kExitStatuses.end() &&
         status != kExitUsage && status != kExitInUse && status != kExitAccessDenied;
}

constexpr long kReadBackTransactions = 6144;

struct Fault {
  std::string name;
  std::vector<std::string> options;
};

const std::vector<Fault> kFaults = {
    {"NoFault", {}},
    {"Busy3", {"--sim-busy", "3"}},
    {"SlowRead40ms", {"--sim-slow-read", "40"}},
    {"Status55OnCommand31No1", {"--sim-status", "31:1:55"}},
    {"StatusAAOnCommand03No300", {"--sim-status", "03:300:AA"}},
    {"Status55OnCommand04No100", {"--sim-status", "04:100:55"}},
    {"StatusAAOnCommand10No700", {"--sim-status", "10:700:AA"}},
    {"Status55OnCommand02No2", {"--sim-status", "02:2:55"}},
    {"StatusAAOnCommand08No1", {"--sim-status", "08:1:AA"}},
    {"BadBank0", {"--sim-bad-bank", "0"}},
    {"BadBank1", {"--sim-bad-bank", "1"}},
    {"WrongIdentity", {"--sim-identity", "x"}},
    {"WrongType", {"--sim-type", "1"}},
    {"WrongFlashId", {"--sim-flash-id", "255"}},
    {"SilentAfter500", {"--sim-silent-after", "500"}},
    {"UnpluggedAfter800", {"--sim-unplug-after", "800"}},
    {"ThreeOtherInterfaces", {"--sim-others", "3"}},
    {"CalculatorLocked", {"--sim-others", "1", "--sim-locked", "1"}},
    {"Absent", {"--sim-absent"}},
    {"OtherIds", {"--sim-ids", "4FC:C78"}},
};

enum class DeviceCommand { Connect, Download, Read, Verify, DownloadWithBackup };
const std::vector<DeviceCommand> kCommands = {DeviceCommand::Connect, DeviceCommand::Download,
                                              DeviceCommand::Read, DeviceCommand::Verify,
                                              DeviceCommand::DownloadWithBackup};

std::string NameOf(DeviceCommand command) {
  switch (command) {
    case DeviceCommand::Connect:
      return "Connect";
    case DeviceCommand::Download:
      return "Download";
    case DeviceCommand::Read:
      return "Read";
    case DeviceCommand::Verify:
      return "Verify";
    case DeviceCommand::DownloadWithBackup:
      return "DownloadWithBackup";
  }
  return "";
}

struct Interrupts {
  std::string name;
  std::vector<long> at;  // transactions during which an interrupt comes
};

const Interrupts kNoInterrupt{"NoInterrupt", {}};
const std::vector<Interrupts> kInterrupts = {
    {"OneAt2", {2}},    {"OneAt400", {400}},      {"OneAt6500", {6500}},
    {"TwoAt2", {2, 3}}, {"TwoAt400", {400, 401}}, {"TwoAt6500", {6500, 6501}},
};

struct MatrixCase {
  Fault fault;
  DeviceCommand command;
  Interrupts stops;
};

// What a case is called in gtest's listings.
void PrintTo(const MatrixCase& matrixCase, std::ostream* out) {
  *out << matrixCase.fault.name << ", " << NameOf(matrixCase.command) << ", "
       << matrixCase.stops.name;
}

// Every fault with every command, without interrupts.
std::vector<MatrixCase> FaultCases() {
  std::vector<MatrixCase> cases;
  for (const Fault& fault : kFaults) {
    for (const DeviceCommand command : kCommands) cases.push_back({fault, command, kNoInterrupt});
  }
  return cases;
}

// Every moment of interrupts with every command, without faults.
std::vector<MatrixCase> InterruptCases() {
  std::vector<MatrixCase> cases;
  for (const Interrupts& stops : kInterrupts) {
    for (const DeviceCommand command : kCommands)
      cases.push_back({kFaults.front(), command, stops});
  }
  return cases;
}

std::string FaultCaseName(const ::testing::TestParamInfo<MatrixCase>& info) {
  return info.param.fault.name + "_" + NameOf(info.param.command);
}

std::string InterruptCaseName(const ::testing::TestParamInfo<MatrixCase>& info) {
  return info.param.stops.name + "_" + NameOf(info.param.command);
}

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

class CliFaultMatrixTest : public ::testing::TestWithParam<MatrixCase> {
 protected:
  void SetUp() override { fs::create_directory(scratch); }

  fs::path Path(const std::string& name) const { return directory.Path() / name; }

  // The command's words, its files in the test's folder.
  std::vector<std::string> Words(DeviceCommand command) const {
    switch (command) {
      case DeviceCommand::Connect:
        return {"connect"};
      case DeviceCommand::Download:
        return {"download", imageFile};
      case DeviceCommand::Read:
        return {"read", Path("read.bin").string()};
      case DeviceCommand::Verify:
        return {"verify", imageFile};
      case DeviceCommand::DownloadWithBackup:
        return {"download", "--backup", Path("backup.bin").string(), imageFile};
    }
    return {};
  }

  testing::TempDirectory directory;
  const std::vector<std::uint8_t> before = Pattern(262144, 7);
  const std::vector<std::uint8_t> imageBytes = Pattern(70000, 2);  // 274 blocks in two banks
  const std::vector<std::uint8_t> earlier = Pattern(100, 5);
  const std::string flashFile = directory.Write("before.bin", before).string();
  const std::string imageFile = directory.Write("new.UD", imageBytes).string();
  const fs::path scratch = Path("tmp");
};

TEST_P(CliFaultMatrixTest, EndsInItsDocumentedState) {
  const MatrixCase& matrixCase = GetParam();
  const Interrupts& stops = matrixCase.stops;
  const auto image = FirmwareImage::FromBytes(imageBytes);
  const auto imageFlash = image.Flash();
  directory.Write("read.bin", earlier);
  std::vector<std::string> arguments{"--simulate", "--json",     "--sim-flash",
                                     flashFile,    "--sim-save", Path("after.bin").string()};
  arguments.insert(arguments.end(), matrixCase.fault.options.begin(),
                   matrixCase.fault.options.end());
  const auto command = Words(matrixCase.command);
  arguments.insert(arguments.end(), command.begin(), command.end());
  SCOPED_TRACE(::testing::PrintToString(arguments) + " interrupts " + stops.name);
  testing::CliWorld world;
  world.beforeTransaction = [&stops](long sent, StopSignals& signals) {
    if (std::ranges::count(stops.at, sent) != 0) signals.Interrupt();
  };
  const auto run = [&] {
    const testing::TemporaryFolderVariable inTest(scratch.string());
    return testing::RunCli(arguments, false, world);
  }();
  RecordProperty("exitStatus", run.status);

  EXPECT_TRUE(Documented(run.status)) << run.status;
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
}

INSTANTIATE_TEST_SUITE_P(Faults, CliFaultMatrixTest, ::testing::ValuesIn(FaultCases()),
                         FaultCaseName);
INSTANTIATE_TEST_SUITE_P(Interrupts, CliFaultMatrixTest, ::testing::ValuesIn(InterruptCases()),
                         InterruptCaseName);

TEST(CliFaultMatrixCasesTest, EveryFaultAndEveryMomentOfInterruptsMeetsEveryCommandOnce) {
  std::set<std::string> names;
  for (const MatrixCase& matrixCase : FaultCases()) {
    names.insert(matrixCase.fault.name + "_" + NameOf(matrixCase.command));
  }
  for (const MatrixCase& matrixCase : InterruptCases()) {
    names.insert(matrixCase.stops.name + "_" + NameOf(matrixCase.command));
  }
  EXPECT_EQ(names.size(),
            kFaults.size() * kCommands.size() + kInterrupts.size() * kCommands.size());
}

}  // namespace
}  // namespace usblink
