// Signals and closed pipes on the real usblink-cli process, with the
// simulated calculator, at the fast pace.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "fleet/SessionPort.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliProcess.h"

namespace usblink {
namespace {

using testing::CliProcess;
using testing::Pattern;

constexpr const char* kProgress = R"({"type":"progress")";
constexpr const char* kWarning = "Warning: stopping the download now";
// Two banks: about 1,550 transactions, a second or two at the fast pace.
constexpr std::size_t kImageSize = 65536;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliProcessTest : public ::testing::Test {
 protected:
  CliProcessTest() { image_ = directory.Write("new.UD", imageBytes).string(); }

  std::string PathOf(const std::string& name) const { return (directory.Path() / name).string(); }

  // A download with its JSON lines on stdout and the flash saved at the end.
  std::vector<std::string> Download(std::vector<std::string> more = {}) const {
    std::vector<std::string> arguments{"--simulate", "--fast", "--json", "--sim-save",
                                       PathOf("after.bin")};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.insert(arguments.end(), {"download", image_});
    return arguments;
  }

  // The saved flash holds the image in its first `blocks` blocks.
  void ExpectImageInFlash(std::size_t blocks) const {
    const auto flash = directory.Read("after.bin");
    ASSERT_EQ(flash.size(), 262144u);
    const auto written = FirmwareImage::FromBytes(imageBytes);
    const auto expected = written.Flash();
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + static_cast<long>(blocks * kBlockSize),
                           expected.begin()));
  }

  // After `lines` progress lines.
  static bool AfterProgress(CliProcess& process, long lines) {
    return process.ReadUntil([&] { return process.CountOut(kProgress) >= lines; });
  }

  // The result object on the last line.
  static Json Result(const CliProcess& process) {
    auto result = Json::parse(process.LastOutLine(), nullptr, false);
    EXPECT_EQ(result.value("type", ""), "result") << process.LastOutLine();
    return result;
  }

  // The blocks the last progress object counts.
  static long LastProgressBlocks(const CliProcess& process) {
    long blocks = -1;
    std::istringstream lines(process.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with(kProgress)) blocks = Json::parse(line).value("blocks", -1);
    }
    return blocks;
  }

  testing::TempDirectory directory;
  const std::vector<std::uint8_t> imageBytes = Pattern(kImageSize, 6);
  std::string image_;
};

TEST_F(CliProcessTest, TheFirstInterruptOfADownloadOnlyWarns) {
  CliProcess process(Download());
  ASSERT_TRUE(process.Started());
  ASSERT_TRUE(AfterProgress(process, 1));
  process.Signal(SIGINT);
  EXPECT_EQ(process.Wait(), kExitSuccess) << process.err;
  EXPECT_TRUE(Has(process.err, kWarning)) << process.err;
  const auto result = Result(process);
  EXPECT_EQ(result["outcome"], "ok");
  EXPECT_EQ(result["committed"], true);
  EXPECT_EQ(result["blocksSent"], 257);
  ExpectImageInFlash(257);
}

TEST_F(CliProcessTest, ASecondInterruptOrAnEndStopsTheDownloadAfterTheRunningTransaction) {
  for (const int second : {SIGINT, SIGTERM, SIGHUP}) {
    CliProcess process(Download());
    ASSERT_TRUE(process.Started());
    ASSERT_TRUE(AfterProgress(process, 1));
    process.Signal(SIGINT);
    ASSERT_TRUE(process.ReadUntil([&] { return Has(process.err, kWarning); }));
    process.Signal(second);
    EXPECT_EQ(process.Wait(), kExitInterrupted) << second << process.err;
    const auto result = Result(process);
    EXPECT_EQ(result["outcome"], "interrupted");
    EXPECT_EQ(result["exitStatus"], 130);
    EXPECT_EQ(result["flashChanged"], true);
    EXPECT_EQ(result["committed"], false);
    // Every block reported sent is in the flash, and no more were reported.
    const long sent = result.value("blocksSent", -1);
    EXPECT_LE(LastProgressBlocks(process), sent);
    EXPECT_LT(sent, 257);
    ExpectImageInFlash(static_cast<std::size_t>(sent));
    EXPECT_TRUE(Has(process.err,
                    "State: the flash was changed and nothing was committed: "
                    "stopped after " +
                        std::to_string(sent) + " of 257 blocks"))
        << process.err;
  }
}

TEST_F(CliProcessTest, AnEndAskedStopsADownloadAtOnce) {
  CliProcess process(Download());
  ASSERT_TRUE(AfterProgress(process, 1));
  process.Signal(SIGTERM);
  EXPECT_EQ(process.Wait(), kExitInterrupted) << process.err;
  EXPECT_FALSE(Has(process.err, kWarning));
  const long sent = Result(process).value("blocksSent", -1);
  EXPECT_GE(sent, LastProgressBlocks(process));
  ExpectImageInFlash(static_cast<std::size_t>(sent));
}

TEST_F(CliProcessTest, AnInterruptedReadKeepsTheEarlierFileAndThePartialOne) {
  const auto earlier = Pattern(1000, 3);
  const auto file = directory.Write("Load.bin", earlier).string();
  CliProcess process({"--simulate", "--fast", "--json", "read", file});
  ASSERT_TRUE(AfterProgress(process, 1));
  process.Signal(SIGINT);
  EXPECT_EQ(process.Wait(), kExitInterrupted) << process.err;
  EXPECT_EQ(directory.Read("Load.bin"), earlier);
  const auto partial = directory.Read("Load.bin.partial");
  EXPECT_GE(partial.size(), 1u * kBlockSize);
  EXPECT_LT(partial.size(), 262144u);
  EXPECT_TRUE(Has(process.out, "the " + std::to_string(partial.size()) +
                                   " bytes read are kept in \\\"" + file + ".partial\\\""))
      << process.out;
  // No staging file is left behind: the image, the file and its partial.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.Path()),
                          std::filesystem::directory_iterator()),
            3);
}

TEST_F(CliProcessTest, WaitingForACalculatorStopsAtTheFirstSignal) {
  CliProcess process({"--simulate", "-v", "--sim-absent", "--wait", "60", "connect"});
  // The first walk is logged before the first wait.
  ASSERT_TRUE(process.ReadUntil([&] { return Has(process.out, " Not Find USB Link!"); }));
  process.Signal(SIGHUP);
  EXPECT_EQ(process.Wait(), kExitInterrupted);
  EXPECT_TRUE(process.err.ends_with("usblink-cli: interrupted\n")) << process.err;
}

// Whether the process has its signal handlers and sleeps in a system call.
bool WaitsWithHandlers(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  bool sleeping = false;
  bool caught = false;
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("State:")) sleeping = Has(line, "S (sleeping)");
    if (line.starts_with("SigCgt:")) {
      caught = (std::stoull(line.substr(7), nullptr, 16) & (1ULL << (SIGINT - 1))) != 0;
    }
  }
  return sleeping && caught;
}

constexpr const char* kStoppedReading = "; nothing was sent to a calculator.\n";

TEST_F(CliProcessTest, AnInterruptEndsAWaitForAnImageThatNeverComes) {
  const auto fifo = PathOf("image.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  CliProcess process({"--simulate", "download", fifo});
  while (!WaitsWithHandlers(process.Pid())) std::this_thread::yield();
  process.Signal(SIGINT);
  EXPECT_EQ(process.Wait(), kExitInterrupted);
  EXPECT_EQ(process.err, "Stopped while the image was read from \"" + fifo + "\"" +
                             kStoppedReading + "usblink-cli: interrupted\n");
}

// Part of an image in a pipe that has not ended: a signal ends the run as
// any other stop does, with its result and the log's end, and no calculator
// is touched.
TEST_F(CliProcessTest, ASignalWhileTheImageIsReadFromAPipeEndsTheRunAsAnyStop) {
  const std::vector<std::pair<std::vector<std::string>, int>> cases{
      {{"download", "-"}, SIGINT},
      {{"--sim-calculators", "2", "--all", "download", "-"}, SIGTERM},
      {{"--sim-calculators", "2", "station", "-"}, SIGHUP}};
  for (const auto& [command, signal] : cases) {
    std::vector<std::string> arguments{"--simulate",      "--fast",     "--json",           "--log",
                                       PathOf("run.log"), "--sim-save", PathOf("after.bin")};
    arguments.insert(arguments.end(), command.begin(), command.end());
    CliProcess process(arguments, true);
    ASSERT_TRUE(process.WriteIn(std::string(1000, 'U')));
    // Taken, and waiting for more.
    while (process.UnreadIn() != 0 || !WaitsWithHandlers(process.Pid())) {
      std::this_thread::yield();
    }
    process.Signal(signal);
    EXPECT_EQ(process.Wait(), kExitInterrupted) << signal << process.err;
    EXPECT_EQ(process.CountOut("{"), 2) << process.out;
    const auto result = Result(process);
    EXPECT_EQ(result["outcome"], "interrupted");
    EXPECT_EQ(result["exitStatus"], 130);
    const std::string stopped =
        "Stopped while the image was read from \"-\"" + std::string(kStoppedReading);
    EXPECT_EQ(process.err, stopped) << signal;
    const auto logged = directory.Read("run.log");
    const std::string log(logged.begin(), logged.end());
    EXPECT_TRUE(Has(log, "\n" + stopped + "Ended ")) << log;
    EXPECT_TRUE(log.ends_with(": interrupted, exit status 130\n")) << log;
    const auto several = command.front() == "--sim-calculators";
    for (const std::string& saved : several ? std::vector<std::string>{"after.bin.1", "after.bin.2"}
                                            : std::vector<std::string>{"after.bin"}) {
      EXPECT_EQ(directory.Read(saved), std::vector<std::uint8_t>(kFlashSize, 0xFF)) << saved;
    }
  }
}

TEST_F(CliProcessTest, ClosedOutputOnlyStopsTheOutputAndTheDownloadFinishes) {
  // As `usblink-cli download new.UD | head -n 78`, with stderr gone as well.
  CliProcess process(Download());
  ASSERT_TRUE(AfterProgress(process, 1));
  process.CloseOut();
  process.CloseErr();
  EXPECT_EQ(process.Wait(), kExitSuccess);
  ExpectImageInFlash(257);
}

}  // namespace
}  // namespace usblink
