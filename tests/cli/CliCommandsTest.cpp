#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>

#include "support/FifoWriter.h"
#endif

#include "hid/ApiLog.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/TemporaryFolderVariable.h"

namespace usblink {
namespace {

using testing::RunCli;

using testing::Pattern;

class CliCommandsTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, std::span<const std::uint8_t> bytes) {
    return directory.Write(name, bytes).string();
  }
  std::string PathOf(const std::string& name) { return (directory.Path() / name).string(); }

  testing::TempDirectory directory;
};

TEST_F(CliCommandsTest, ConnectWritesTheWindowsLogAndEndsReady) {
  const auto run = RunCli({"--simulate", "-v", "connect"});
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  const auto lines = run.OutLines();
  ASSERT_GT(lines.size(), 40u);
  EXPECT_EQ(lines[1], "GetHidGuid");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  The equipment has been found！"), lines.end());
  // The window clears its log before the ready line; a clear prints nothing.
  EXPECT_EQ(lines.back(), "Connected to the device, you can download files！");
  EXPECT_EQ(run.err, "");
}

// A fault of the simulated calculator and what it ends in. The image and the
// read-back file are the test's own: "IMAGE" and "OUT" stand for them.
struct FaultCase {
  std::string name;
  std::vector<std::string> arguments;  // after --simulate
  int status;
  std::string message;  // a line stderr must hold
};

void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.name; }

class CliFaultTest : public CliCommandsTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(CliFaultTest, EndsWithItsExitStatusAndBox) {
  const FaultCase& fault = GetParam();
  const auto image = Write("image.UD", Pattern(70000));
  std::vector<std::string> arguments{"--simulate"};
  for (const auto& argument : fault.arguments) {
    arguments.push_back(argument == "IMAGE" ? image
                        : argument == "OUT" ? PathOf("out.bin")
                                            : argument);
  }
  const auto run = RunCli(arguments);
  EXPECT_EQ(run.status, fault.status) << arguments[1] << "\n" << run.err;
  if (!fault.message.empty()) {
    EXPECT_NE(run.err.find(fault.message + "\n"), std::string::npos) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliFaultTest,
    ::testing::Values(
        FaultCase{"NoCalculator", {"--sim-absent", "connect"}, kExitNotFound, ""},
        FaultCase{"OtherIds", {"--sim-ids", "4FC:C78", "connect"}, kExitNotFound, ""},
        FaultCase{"CalculatorLocked",
                  {"--sim-locked", "2", "--sim-others", "2", "connect"},
                  kExitNotFound,
                  ""},
        FaultCase{"WrongIdentity",
                  {"--sim-identity", "vqhdl307e trm815c", "connect"},
                  kExitRefused,
                  "Error: NoVQHDL307E TRM815C"},
        FaultCase{"WrongType",
                  {"--sim-type", "1", "connect"},
                  kExitRefused,
                  "Error: No UsbType_Norm,Is UsbType_Key"},
        FaultCase{"WrongFlashId",
                  {"--sim-flash-id", "255", "connect"},
                  kExitRefused,
                  "Error: NorFlash Error that is not recognized！"},
        FaultCase{"BadBankChecksum",
                  {"--sim-bad-bank", "1", "download", "IMAGE"},
                  kExitChecksumMismatch,
                  "Error: BankCheckSum is different. Maybe Flash is broken. Please download "
                  "again！"},
        FaultCase{"ErrorStatusInConnect",
                  {"--sim-status", "31:1:55", "connect"},
                  kExitDeviceError,
                  "Error: Handling Error! "},
        FaultCase{"ErrorStatusInDownload",
                  {"--sim-status", "10:7:AA", "download", "IMAGE"},
                  kExitDeviceError,
                  "Error: Timeout Error! "},
        FaultCase{"SilentInDownload",
                  {"--sim-silent-after", "4", "download", "IMAGE"},
                  kExitDeviceError,
                  "Error: PC Timeout Error! "},
        FaultCase{"UnpluggedInRead",
                  {"--sim-unplug-after", "20", "read", "OUT"},
                  kExitDeviceError,
                  "Error: PC Timeout Error! "},
        FaultCase{"BusyBesideOtherInterfaces",
                  {"--sim-busy", "3", "--sim-others", "3", "download", "IMAGE"},
                  kExitSuccess,
                  ""}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST_F(CliCommandsTest, RefusedHandshakeShowsBothBoxesInOrder) {
  const auto run = RunCli({"--simulate", "--sim-type", "1", "connect"});
  EXPECT_EQ(run.err,
            "Error: No UsbType_Norm,Is UsbType_Key\nUSB Link: HID Error ！\n"
            "usblink-cli: handshake refused\n");
}

TEST_F(CliCommandsTest, NoCalculatorEndsTheLogWithNotFoundAndThePlatformsHint) {
  // Plugged in, but its node may not be opened: a status of its own.
  testing::CliWorld denied;
  denied.accessHint = "the calculator's node is not yours";
  const auto run = RunCli({"-v", "connect"}, false, denied);
  EXPECT_EQ(run.status, kExitAccessDenied);
  ASSERT_FALSE(run.OutLines().empty());
  EXPECT_EQ(run.OutLines().back(), " Not Find USB Link!");
  EXPECT_NE(run.err.find("Hint: the calculator's node is not yours\n"), std::string::npos);
  EXPECT_TRUE(run.err.ends_with("usblink-cli: calculator access denied\n")) << run.err;
  // Nothing there at all.
  EXPECT_EQ(RunCli({"connect"}).status, kExitNotFound);
  // The simulated calculator needs no hint.
  EXPECT_EQ(RunCli({"--simulate", "--sim-absent", "connect"}).err,
            "usblink-cli: no calculator found\n");
}

TEST_F(CliCommandsTest, DownloadLeavesTheImageInTheFlash) {
  const auto bytes = Pattern(65537);
  const auto image = Write("image.UD", bytes);
  const auto run =
      RunCli({"--simulate", "-v", "--sim-save", PathOf("flash.bin"), "download", image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  const auto flash = directory.Read("flash.bin");
  ASSERT_EQ(flash.size(), 262144u);
  const auto written = FirmwareImage::FromBytes(bytes);
  const auto expected = written.Flash();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash.begin()));
  EXPECT_TRUE(
      std::all_of(flash.begin() + 2 * 65536, flash.end(), [](auto b) { return b == 0xFF; }));
  EXPECT_EQ(run.OutLines().back(), "       the calculator will be damaged and cannot boot!");
}

TEST_F(CliCommandsTest, BackupHoldsTheOldFlashAndVerifyRoundTrips) {
  const auto old = Write("old.bin", Pattern(262144, 9));
  const auto image = Write("new.UD", Pattern(100000, 3));
  auto run = RunCli({"--simulate", "--sim-flash", old, "--sim-save", PathOf("after.bin"),
                     "download", "--backup", PathOf("backup.bin"), image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(directory.Read("backup.bin"), Pattern(262144, 9));

  run = RunCli({"--simulate", "--sim-flash", PathOf("after.bin"), "verify", image});
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(run.OutLines().back(), "No differences in 131072 bytes");

  auto flipped = directory.Read("after.bin");
  flipped[0x1ABCD] ^= 0x10;
  const auto changed = Write("changed.bin", flipped);
  run = RunCli({"--simulate", "--sim-flash", changed, "verify", image});
  EXPECT_EQ(run.status, kExitDifferences);
  EXPECT_EQ(run.OutLines().back(), "First difference at offset 1ABCD, 1 bytes differ");
}

TEST_F(CliCommandsTest, AFailedBackupWritesNothing) {
  const auto image = Write("new.UD", Pattern(1000));
  const auto run = RunCli({"--simulate", "--sim-save", PathOf("after.bin"), "download", "--backup",
                           PathOf("missing/backup.bin"), image});
  EXPECT_EQ(run.status, kExitFileError);
  const auto flash = directory.Read("after.bin");
  EXPECT_TRUE(std::all_of(flash.begin(), flash.end(), [](auto b) { return b == 0xFF; }));
}

TEST_F(CliCommandsTest, BadImagesAreRefusedBeforeTheDeviceIsTouched) {
  const auto empty = Write("empty.UD", {});
  auto run = RunCli({"--simulate", "download", empty});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.out, "");
  run = RunCli({"--simulate", "download", PathOf("absent.UD")});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_NE(run.err.find("absent.UD"), std::string::npos);
  EXPECT_EQ(run.out, "");
}

#ifndef _WIN32
using testing::TemporaryFolderVariable;

TEST_F(CliCommandsTest, VerifyWithoutATemporaryFolderIsAFileErrorBeforeTheDevice) {
  const auto image = Write("image.UD", Pattern(300));
  testing::CliRun run;
  {
    const TemporaryFolderVariable notAFolder(image);
    run = RunCli({"--simulate", "verify", image});
  }
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(run.err.starts_with("Error: No folder for temporary files: ")) << run.err;
}
#endif

TEST_F(CliCommandsTest, AnImageLargerThanTheFlashIsRefusedUnlessForced) {
  const auto bytes = Pattern(262145);
  const auto image = Write("program.bin", bytes);
  auto run = RunCli({"--simulate", "--sim-save", PathOf("flash.bin"), "download", image});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("Error: \"" + image + "\" is larger than 262144 bytes"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("--force sends its first 262144 bytes"), std::string::npos) << run.err;
  const auto untouched = directory.Read("flash.bin");
  EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](auto b) { return b == 0xFF; }));

  run = RunCli(
      {"--simulate", "--json", "--sim-save", PathOf("flash.bin"), "download", "--force", image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_NE(run.out.find(R"({"type":"message","title":"Warning","text":")"), std::string::npos);
  EXPECT_EQ(run.Objects("progress").back()["blocks"], 1024);
  EXPECT_EQ(run.Result()["blocksSent"], 1024);
  EXPECT_TRUE(std::ranges::equal(directory.Read("flash.bin"), std::span(bytes).first(262144)));
}

TEST_F(CliCommandsTest, CheckReportsAnImageLargerThanTheFlash) {
  const auto image = Write("program.bin", Pattern(300000));
  const auto run = RunCli({"check", image});
  EXPECT_EQ(run.status, kExitFileError);
  const auto lines = run.OutLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_TRUE(lines[0].ends_with(", more than 262144 bytes")) << lines[0];
  EXPECT_EQ(lines[1], "Blocks sent: 1024 (0 to 3FF hex)");
  EXPECT_EQ(lines[2], "Padding: none; a download writes 262144 bytes, the whole flash");
  EXPECT_EQ(run.err,
            "Error: \"" + image +
                "\" is larger than 262144 bytes, the calculator's whole flash. Nothing was "
                "sent; --force sends its first 262144 bytes.\nusblink-cli: file error\n");
  // The send that --force makes, told beforehand.
  const auto forced = RunCli({"check", "--force", image});
  EXPECT_EQ(forced.status, kExitSuccess);
  EXPECT_EQ(forced.out, run.out);
  EXPECT_NE(
      forced.err.find("Warning: \"" + image +
                      "\" is larger than 262144 bytes, the calculator's whole flash. Only its "
                      "first 262144 bytes are sent.\n"),
      std::string::npos)
      << forced.err;
}

TEST_F(CliCommandsTest, ACalculatorWhoseReadsStallTimesOutAfterThirtySeconds) {
  using namespace std::chrono_literals;
  const auto run =
      RunCli({"--simulate", "--sim-slow-read", "5000", "--sim-silent-after", "0", "-q", "connect"});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_NE(run.err.find("Error: PC Timeout Error! \n"), std::string::npos) << run.err;
  // Six reads of 5 s, not 501.
  EXPECT_GE(run.elapsed, 30s);
  EXPECT_LT(run.elapsed, 31s);
}

#ifndef _WIN32
TEST_F(CliCommandsTest, AnImageFromANamedPipeIsReadOnceAndSent) {
  const auto bytes = Pattern(70000);
  const testing::FifoWriter fifo(directory.Path() / "image.UD", bytes);
  const auto run =
      RunCli({"--simulate", "--sim-save", PathOf("flash.bin"), "download", fifo.Path().string()});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  const auto flash = directory.Read("flash.bin");
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
}

// Standard input reads `bytes` from a pipe while it lives.
class StandardInputFrom {
 public:
  explicit StandardInputFrom(std::span<const std::uint8_t> bytes) : saved_(::dup(0)) {
    std::array<int, 2> ends{};
    if (::pipe(ends.data()) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
    // Small enough for the pipe's buffer: written before anything reads.
    if (::write(ends[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::system_error(errno, std::generic_category(), "write");
    }
    ::close(ends[1]);
    ::dup2(ends[0], 0);
    ::close(ends[0]);
  }
  StandardInputFrom(const StandardInputFrom&) = delete;
  StandardInputFrom& operator=(const StandardInputFrom&) = delete;
  ~StandardInputFrom() {
    ::dup2(saved_, 0);
    ::close(saved_);
  }

 private:
  int saved_;
};

TEST_F(CliCommandsTest, AnImageOnStandardInputIsSent) {
  const auto bytes = Pattern(3000);
  testing::CliRun run;
  {
    const StandardInputFrom input(bytes);
    run = RunCli({"--simulate", "--sim-save", PathOf("flash.bin"), "download", "/dev/stdin"});
  }
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  const auto flash = directory.Read("flash.bin");
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
  EXPECT_EQ(flash[3000], 0x00);
}
#endif

// "-" on streams the test opens; the real standard streams in standard-streams.sh.
TEST_F(CliCommandsTest, MinusIsStandardInputForTheImageAndStandardOutputForTheReadBack) {
  const auto bytes = Pattern(70000);
  const auto image = Write("image.UD", bytes);
  testing::CliWorld world;
  const auto input = OpenStdioFile(image, "rb");
  world.standardInput = input.get();
  const auto checked = RunCli({"check", "-"}, false, world);
  ASSERT_EQ(checked.status, kExitSuccess) << checked.err;
  auto lines = checked.OutLines();
  EXPECT_EQ(lines.front(), "File: -, 70000 bytes");
  auto byName = RunCli({"check", image}).OutLines();
  EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()),
            std::vector(byName.begin() + 1, byName.end()));

  std::rewind(input.get());
  const auto downloaded =
      RunCli({"--simulate", "--sim-save", PathOf("flash.bin"), "download", "-"}, false, world);
  ASSERT_EQ(downloaded.status, kExitSuccess) << downloaded.err;
  const auto flash = directory.Read("flash.bin");
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));

  // The flash alone on stdout; the log and the JSON Lines go to stderr.
  for (const bool json : {false, true}) {
    auto output = OpenStdioFile(PathOf("out.bin"), "wb");
    world.standardOutput = output.get();
    std::vector<std::string> arguments{"-v",   "--simulate", "--sim-flash", PathOf("flash.bin"),
                                       "read", "-"};
    if (json) arguments.insert(arguments.begin(), "--json");
    const auto read = RunCli(arguments, false, world);
    output.reset();
    ASSERT_EQ(read.status, kExitSuccess) << read.err;
    EXPECT_EQ(read.out, "");
    EXPECT_NE(read.err.find(json ? R"({"type":"result","outcome":"ok")" : " Receive complete \n"),
              std::string::npos)
        << read.err;
    EXPECT_EQ(directory.Read("out.bin"), flash);
  }
  // The short account, on stderr, says where the bytes went.
  auto output = OpenStdioFile(PathOf("out.bin"), "wb");
  world.standardOutput = output.get();
  const auto told = RunCli({"--simulate", "read", "-"}, false, world);
  output.reset();
  EXPECT_NE(told.err.find("\nRead: 262144 bytes to standard output in "), std::string::npos)
      << told.err;
  // Neither a file "-" nor Load.bin.
  EXPECT_FALSE(std::filesystem::exists("-"));
}

#ifndef _WIN32
TEST_F(CliCommandsTest, AReadBackThatStandardOutputCannotTakeIsAFileError) {
  const auto full = OpenStdioFile("/dev/full", "wb");
  testing::CliWorld world;
  world.standardOutput = full.get();
  const auto run = RunCli({"--simulate", "read", "-"}, false, world);
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_NE(run.err.find("Error: Cannot write \"-\": "), std::string::npos) << run.err;
}
#endif

TEST_F(CliCommandsTest, ReadWritesTheWholeFlash) {
  const auto old = Write("old.bin", Pattern(262144, 5));
  const auto run = RunCli({"--simulate", "-v", "--sim-flash", old, "read", PathOf("Load.bin")});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(directory.Read("Load.bin"), Pattern(262144, 5));
  EXPECT_EQ(run.OutLines().back(), " Receive complete ");
}

TEST_F(CliCommandsTest, CheckTellsWhatADownloadWouldSend) {
  const auto whole = RunCli({"check", Write("whole.UD", Pattern(262144))});
  EXPECT_EQ(whole.status, kExitSuccess) << whole.err;
  const auto lines = whole.OutLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_NE(lines[0].find(", 262144 bytes"), std::string::npos);
  EXPECT_EQ(lines[1], "Blocks sent: 1024 (0 to 3FF hex)");
  EXPECT_EQ(lines[2], "Padding: none; a download writes 262144 bytes, the whole flash");
  EXPECT_NE(lines[6].find("Bank 3 checksum: "), std::string::npos);
  EXPECT_EQ(lines[7], "Commit: 4 banks");
  EXPECT_EQ(whole.err, "");

  // Why download says more bytes than check's file: the last block is sent whole.
  const auto small = RunCli({"check", Write("small.UD", Pattern(300))});
  EXPECT_EQ(small.OutLines()[2],
            "Padding: 212 bytes of 0x00 complete the last block; a download writes 512 bytes");
  EXPECT_EQ(small.OutLines()[3],
            "Bank 0 checksum: " + HexText(FirmwareImage::FromBytes(Pattern(300)).BankChecksum(0)));
  const auto json = RunCli({"--json", "check", Write("bank.UD", Pattern(65536))});
  EXPECT_EQ(json.Objects("info")[2],
            (Json{{"type", "info"},
                  {"text",
                   "Padding: the file ends where a block begins, and that block is sent too, 256 "
                   "bytes of 0x00; a download writes 65792 bytes"},
                  {"padding", 256},
                  {"bytesSent", 65792}}));
  const auto downloaded =
      RunCli({"--simulate", "download", Write("small.UD", Pattern(300))}).OutLines();
  ASSERT_GE(downloaded.size(), 2u);
  EXPECT_TRUE(downloaded[downloaded.size() - 2].starts_with("Written: 2 blocks (512 bytes)"))
      << downloaded[downloaded.size() - 2];
  EXPECT_EQ(RunCli({"check", Write("empty.UD", {})}).status, kExitFileError);
}

TEST_F(CliCommandsTest, JsonLinesAreEachOneObject) {
  const auto image = Write("image.UD", Pattern(600));
  const auto run = RunCli({"--simulate", "--json", "download", image});
  ASSERT_EQ(run.status, kExitSuccess);
  const auto progress = run.Objects("progress");
  // The first block, and the last, which ends the bank.
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_EQ(progress[0]["blocks"], 1);
  EXPECT_EQ(progress[1]["blocks"], 3);
  const Json expected = {{"type", "result"},     {"outcome", "ok"},   {"exitStatus", 0},
                         {"flashChanged", true}, {"committed", true}, {"blocksSent", 3},
                         {"totalBlocks", 3},     {"banksVerified", 1}};
  EXPECT_EQ(run.ResultFields(expected), expected);
  EXPECT_EQ(run.err, "");
}

TEST_F(CliCommandsTest, ProgressCountsTheBlocksOfEachTransferUnderItsName) {
  const auto image = Write("image.UD", Pattern(600));
  const auto run =
      RunCli({"--simulate", "--json", "download", "--backup", PathOf("backup.bin"), image});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  const auto progress = run.Objects("progress");
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(progress[0].dump(),
            R"({"type":"progress","operation":"backup","phase":1,"phases":2,"blocks":1,)"
            R"("totalBlocks":1024,"bytes":256,"totalBytes":262144})");
  const auto backupEnd = std::ranges::find_if(
      progress, [](const auto& object) { return object["operation"] == "download"; });
  ASSERT_NE(backupEnd, progress.begin());
  EXPECT_EQ(std::prev(backupEnd)->dump(),
            R"({"type":"progress","operation":"backup","phase":1,"phases":2,"blocks":1024,)"
            R"("totalBlocks":1024,"bytes":262144,"totalBytes":262144})");
  EXPECT_EQ(progress.back().dump(),
            R"({"type":"progress","operation":"download","phase":2,"phases":2,"blocks":3,)"
            R"("totalBlocks":3,"bytes":768,"totalBytes":768})");

  // On a terminal: a bar drawn from the first block, full at the last.
  const auto shown = RunCli({"--simulate", "download", image}, true);
  ASSERT_EQ(shown.status, kExitSuccess) << shown.err;
  EXPECT_TRUE(shown.err.starts_with("\r\033[Kdownload [")) << shown.err;
  EXPECT_NE(shown.err.find("download [########################] 100%  768/768 B"),
            std::string::npos)
      << shown.err;
}

TEST_F(CliCommandsTest, QuietKeepsOnlyMessagesAndTheResult) {
  const auto run = RunCli({"--simulate", "-q", "--sim-type", "1", "connect"});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "Error: No UsbType_Norm,Is UsbType_Key\nUSB Link: HID Error ！\n"
            "usblink-cli: handshake refused\n");
}

TEST_F(CliCommandsTest, LogFileHoldsTheSameLines) {
  const auto run = RunCli({"--simulate", "-v", "--log", PathOf("log.txt"), "connect"});
  ASSERT_EQ(run.status, kExitSuccess);
  const auto logged = directory.Read("log.txt");
  EXPECT_NE(std::string(logged.begin(), logged.end()).find("\n" + run.out), std::string::npos);
}

#ifndef _WIN32
TEST_F(CliCommandsTest, ALogFileThatCannotBeWrittenIsAFileError) {
  // Opens, but every write fails: the disk is full.
  const auto run = RunCli({"--simulate", "-q", "--log", "/dev/full", "connect"});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.err, "Error: Cannot write \"/dev/full\": " +
                         std::make_error_code(std::errc::no_space_on_device).message() +
                         ". Free some space on its disk, or name another.\nusblink-cli: file "
                         "error\n");
}
#endif

TEST_F(CliCommandsTest, ListMarksTheCalculator) {
  const auto run = RunCli({"--simulate", "--sim-others", "2", "--sim-locked", "1", "list"});
  ASSERT_EQ(run.status, kExitSuccess);
  const auto lines = run.OutLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].find("<- calculator"), std::string::npos);
  EXPECT_NE(lines[1].find("cannot be queried: error 5"), std::string::npos);
  EXPECT_TRUE(lines[2].starts_with("2: 4FC:C77  "));
  EXPECT_TRUE(lines[2].ends_with("<- calculator 1"));
}

TEST_F(CliCommandsTest, ListTellsEveryCalculatorApartAndFindsNotFoundWithoutOne) {
  const auto several =
      RunCli({"--simulate", "--sim-others", "1", "--sim-calculators", "2", "list"});
  ASSERT_EQ(several.status, kExitSuccess);
  const auto lines = several.OutLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with("  \"Logitech\"  \"USB Keyboard\""));
  EXPECT_TRUE(lines[1].ends_with(
      "  serial SIM0001  \"usblink\"  \"Simulated calculator\"  <- calculator 1"));
  EXPECT_TRUE(lines[2].ends_with(
      "  serial SIM0002  \"usblink\"  \"Simulated calculator\"  <- calculator 2"));

  // Interfaces, but none of them a calculator.
  const auto none = RunCli({"--simulate", "--sim-others", "2", "--sim-absent", "list"});
  EXPECT_EQ(none.status, kExitNotFound);
  EXPECT_EQ(none.out.find("<- calculator"), std::string::npos);
  EXPECT_NE(none.err.find("no calculator found"), std::string::npos) << none.err;

  // One this user may not open is still a calculator, numbered as --all numbers it.
  const auto locked =
      RunCli({"--simulate", "--json", "--sim-others", "1", "--sim-locked", "1", "list"});
  EXPECT_EQ(locked.status, kExitSuccess) << locked.err;
  const auto calculator = locked.Objects("info").at(1);
  EXPECT_TRUE(calculator["text"].get<std::string>().ends_with(
      "  (cannot be queried: error 5)  <- calculator 1"))
      << calculator.dump();
  EXPECT_EQ(calculator["error"], 5);
  EXPECT_EQ(calculator["number"], 1);
  EXPECT_EQ(calculator["serial"], nullptr);
}

TEST_F(CliCommandsTest, DescriptorOfTheSimulatedCalculatorShowsInTheReport) {
  // Vendor page, 8 bytes in, no output.
  const std::vector<std::uint8_t> descriptor{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                             0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0xC0};
  const auto run = RunCli({"--simulate", "--sim-descriptor", Write("d.bin", descriptor), "-q",
                           "--log", PathOf("log.txt"), "connect"});
  ASSERT_EQ(run.status, kExitSuccess);
  const auto logged = directory.Read("log.txt");
  const std::string log(logged.begin(), logged.end());
  EXPECT_NE(log.find("\n  Input Report Byte Length: 9\n  Output Report Byte Length: 0\n"),
            std::string::npos);
}

}  // namespace
}  // namespace usblink
