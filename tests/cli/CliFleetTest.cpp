// Several simulated calculators on one bus: one chosen by serial number or
// path, all of them at once, and the station that updates each as it
// appears. Every run is on virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <thread>
#include <utility>

#include "protocol/Outcome.h"
#include "sim/SimBus.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"
#include "tests/cli/CliRun.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;
using testing::Pattern;
using testing::RunCli;

class CliFleetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image = Pattern(2 * kBankSize + 300);
    imageFile = directory.Write("image.UD", image).string();
  }
  std::string PathOf(const std::string& name) { return (directory.Path() / name).string(); }
  // Calculator n's flash as --sim-save left it.
  std::vector<std::uint8_t> Flash(int n) { return directory.Read("flash." + std::to_string(n)); }
  [[nodiscard]] bool HoldsImage(const std::vector<std::uint8_t>& flash) const {
    return flash.size() == kFlashSize && std::equal(image.begin(), image.end(), flash.begin());
  }
  static bool Erased(const std::vector<std::uint8_t>& flash) {
    return flash.size() == kFlashSize &&
           std::ranges::all_of(flash, [](std::uint8_t byte) { return byte == kErasedByte; });
  }
  static std::vector<std::string> Starting(const std::vector<std::string>& lines,
                                           std::string_view prefix) {
    std::vector<std::string> found;
    std::ranges::copy_if(lines, std::back_inserter(found),
                         [prefix](const std::string& line) { return line.starts_with(prefix); });
    return found;
  }
  static std::string CalculatorPath(std::size_t number) {
    return sim::SimBus::CalculatorInterface(number).path;
  }

  testing::TempDirectory directory;
  std::vector<std::uint8_t> image;
  std::string imageFile;
};

TEST_F(CliFleetTest, SeveralCalculatorsWithoutDeviceOrAllAreRefusedBeforeAnyIsTouched) {
  for (const std::string command : {"connect", "download", "read", "verify"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> arguments{
        "--simulate", "--sim-calculators", "3",    "--sim-others", "1",
        "--sim-save", PathOf("flash"),     command};
    if (command != "connect")
      arguments.push_back(command == "read" ? PathOf("out.bin") : imageFile);
    const auto run = RunCli(arguments);

    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.err.find("3 calculators are plugged in"), std::string::npos) << run.err;
    for (std::size_t n = 0; n < 3; ++n) {
      EXPECT_NE(run.err.find("  " + std::to_string(n + 1) + "  SIM000" + std::to_string(n + 1) +
                             "  " + CalculatorPath(n)),
                std::string::npos)
          << run.err;
      EXPECT_TRUE(Erased(Flash(static_cast<int>(n) + 1)));
    }
    EXPECT_EQ(run.out.find("GetHidGuid"), std::string::npos) << "no discovery ran";
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bin")));
  }
  const auto json = RunCli({"--simulate", "--json", "--sim-calculators", "2", "connect"});
  EXPECT_EQ(json.Result()["exitStatus"], kExitUsage);
  EXPECT_EQ(json.Result()["calculators"], 2);
}

TEST_F(CliFleetTest, OneCalculatorIsChosenByItsSerialNumberOrItsPath) {
  const auto bySerial = RunCli({"--simulate", "--sim-calculators", "3", "--sim-save",
                                PathOf("flash"), "download", "--device", "SIM0002", imageFile});
  EXPECT_EQ(bySerial.status, kExitSuccess) << bySerial.err;
  EXPECT_TRUE(Erased(Flash(1)));
  EXPECT_TRUE(HoldsImage(Flash(2)));
  EXPECT_TRUE(Erased(Flash(3)));

  // Only the third refuses the handshake: the path names which one answers.
  const std::vector<std::string> thirdRefuses{
      "--simulate",     "--sim-calculators", "3",       "--sim-fault-on", "3",
      "--sim-identity", "SOMETHING ELSE",    "connect", "--device"};
  auto arguments = thirdRefuses;
  arguments.push_back(CalculatorPath(2));
  EXPECT_EQ(RunCli(arguments).status, kExitRefused);
  arguments.back() = CalculatorPath(1);
  EXPECT_EQ(RunCli(arguments).status, kExitSuccess);
  // Windows' paths ignore case.
  std::string upper = CalculatorPath(2);
  std::ranges::transform(upper, upper.begin(), [](unsigned char c) { return std::toupper(c); });
  arguments.back() = upper;
  EXPECT_EQ(RunCli(arguments).status, kExitRefused);

  const auto absent =
      RunCli({"--simulate", "--sim-calculators", "2", "connect", "--device", "SIM0009"});
  EXPECT_EQ(absent.status, kExitNotFound);
}

// A checksum mismatch on the second ends its session only; the others
// commit, and the summary and the exit status say which one failed.
TEST_F(CliFleetTest, AllDownloadsToEveryCalculatorAndOneFaultEndsOnlyItsSession) {
  const auto run = RunCli({"--simulate", "--sim-calculators", "3", "--sim-fault-on", "2",
                           "--sim-bad-bank", "1", "--sim-save", PathOf("flash"), "--log",
                           PathOf("run.log"), "--all", "download", imageFile});

  EXPECT_EQ(run.status, kExitChecksumMismatch) << run.err;
  EXPECT_TRUE(HoldsImage(Flash(1)));
  EXPECT_FALSE(HoldsImage(Flash(2)));
  EXPECT_TRUE(HoldsImage(Flash(3)));
  const auto lines = run.OutLines();
  for (const std::string n : {"1", "3"}) {
    EXPECT_FALSE(Starting(lines, "[" + n + "] Written: ").empty()) << run.out;
  }
  EXPECT_TRUE(Starting(lines, "[2] Written: ").empty());
  EXPECT_NE(run.err.find("[2] Error: BankCheckSum is different."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("[2] State: the flash was changed"), std::string::npos);
  // What reruns that calculator alone.
  EXPECT_NE(run.err.find("runs again: download --device SIM0002 \"" + imageFile + "\".\n"),
            std::string::npos)
      << run.err;
  // What to do after the commits, once for the run.
  EXPECT_EQ(Starting(lines, "Next: each calculator marked ok is now updating itself").size(), 1u)
      << run.out;
  EXPECT_EQ(run.out.find("] Next:"), std::string::npos) << run.out;
  const auto header = std::ranges::find(lines, "n  serial   outcome                 seconds");
  ASSERT_NE(header, lines.end()) << run.out;
  ASSERT_EQ(lines.end() - header, 5);
  EXPECT_TRUE(header[1].starts_with("1  SIM0001  ok  "));
  EXPECT_TRUE(header[2].starts_with("2  SIM0002  bank checksum mismatch  "));
  EXPECT_TRUE(header[3].starts_with("3  SIM0003  ok  "));

  // Each calculator's log of its own, the run's besides.
  for (int n = 1; n <= 3; ++n) {
    std::ifstream in(PathOf("run.log." + std::to_string(n)));
    const std::string log{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(log.find("  Serial number: SIM000" + std::to_string(n)), std::string::npos);
    EXPECT_EQ(log.find("  Serial number: SIM000" + std::to_string(n % 3 + 1) + "\n  The equipment"),
              std::string::npos);
  }
  std::ifstream in(PathOf("run.log"));
  const std::string log{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(log.find("2  SIM0002  bank checksum mismatch"), std::string::npos) << log;

  // A device error on the first, which comes first in list order.
  const auto second = RunCli({"--simulate", "--sim-calculators", "3", "--sim-fault-on", "1",
                              "--sim-status", "10:7:55", "--all", "download", imageFile});
  EXPECT_EQ(second.status, kExitDeviceError);
}

TEST_F(CliFleetTest, AllUnderJsonTagsEveryObjectOfACalculatorAndEndsWithTheSummary) {
  const auto run = RunCli(
      {"--simulate", "--json", "--sim-calculators", "2", "--sim-others", "1", "--all", "connect"});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  const auto objects = run.Objects();
  ASSERT_GE(objects.size(), 4u);
  EXPECT_EQ(objects.front()["type"], "start");
  EXPECT_EQ(objects.front()["options"]["all"], true);
  std::set<std::pair<int, std::string>> devices;
  for (std::size_t i = 1; i + 2 < objects.size(); ++i) {
    ASSERT_TRUE(objects[i].contains("device")) << objects[i].dump();
    devices.emplace(objects[i]["device"].get<int>(), objects[i]["serial"].get<std::string>());
    EXPECT_NE(objects[i]["type"], "result");
  }
  EXPECT_EQ(devices, (std::set<std::pair<int, std::string>>{{1, "SIM0001"}, {2, "SIM0002"}}));
  EXPECT_EQ(run.Objects("calculator").size(), 2u);
  const auto summary = objects[objects.size() - 2];
  EXPECT_EQ(summary["type"], "summary");
  ASSERT_EQ(summary["calculators"].size(), 2u);
  EXPECT_EQ(summary["calculators"][1]["device"], 2);
  EXPECT_EQ(summary["calculators"][1]["serial"], "SIM0002");
  EXPECT_EQ(summary["calculators"][1]["path"], CalculatorPath(1));
  EXPECT_EQ(summary["calculators"][1]["outcome"], "ok");
  EXPECT_EQ(run.Result()["calculators"], 2);
  EXPECT_EQ(run.Result()["failed"], 0);
}

// A calculator whose handshake stalls does not hold up the others': they
// walk and make their handshakes while its first exchange still waits.
TEST_F(CliFleetTest, AStalledHandshakeDoesNotDelayTheOtherCalculatorsConnects) {
  constexpr long kOthersExchanges = 3 * testing::kConnectTransactions;
  std::atomic<long> begun = 0;
  std::atomic<bool> overlapped = false;
  testing::CliWorld world;
  world.beforeTransaction = [&](long sent, StopSignals&) {
    begun = sent + 1;
    if (sent != 0) return;
    // The first exchange of the run waits for every other calculator's
    // handshake; a run that walks only after it would never see them.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (begun <= kOthersExchanges && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::yield();
    }
    overlapped = begun > kOthersExchanges;
  };
  const auto run =
      RunCli({"--simulate", "--json", "--sim-calculators", "4", "--all", "connect"}, false, world);

  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(overlapped) << "the others connected only after the stalled one";
  EXPECT_EQ(run.Objects("calculator").size(), 4u);
}

// A calculator listed that its session cannot open is a row of its own,
// with why, and counts in the exit status: this user may not open it.
TEST_F(CliFleetTest, AllKeepsACalculatorThatMayNotBeOpenedAsARowOfItsOwn) {
  const std::vector<std::string> arguments{
      "--simulate", "--sim-calculators", "3", "--sim-locked", "1", "--all", "connect"};
  const auto run = RunCli(arguments);
  EXPECT_EQ(run.status, kExitAccessDenied) << run.err;
  const std::string why =
      "The calculator (" + CalculatorPath(1) + ") may not be opened by this user.";
  EXPECT_NE(run.err.find("[2] Error: " + why + "\n"), std::string::npos) << run.err;
  const auto lines = run.OutLines();
  const auto header = std::ranges::find_if(
      lines, [](const std::string& line) { return line.starts_with("n  serial   outcome"); });
  ASSERT_NE(header, lines.end()) << run.out;
  ASSERT_EQ(lines.end() - header, 4) << run.out;
  EXPECT_TRUE(header[1].starts_with("1  SIM0001  ok  ")) << header[1];
  EXPECT_TRUE(header[2].starts_with("2  -        calculator access denied  ")) << header[2];
  EXPECT_TRUE(header[3].starts_with("3  SIM0003  ok  ")) << header[3];

  auto json = arguments;
  json.insert(json.begin() + 1, "--json");
  const auto objects = RunCli(json);
  EXPECT_EQ(objects.status, kExitAccessDenied);
  const auto rows = objects.Objects("summary").at(0)["calculators"];
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1]["serial"], nullptr);
  EXPECT_EQ(rows[1]["path"], CalculatorPath(1));
  EXPECT_EQ(rows[1]["outcome"], "calculator access denied");
  EXPECT_EQ(rows[1]["exitStatus"], kExitAccessDenied);
  EXPECT_EQ(rows[1]["error"], why);
  EXPECT_FALSE(rows[0].contains("error"));
  EXPECT_EQ(objects.ResultFields({{"exitStatus", 0}, {"calculators", 0}, {"failed", 0}}),
            (Json{{"exitStatus", kExitAccessDenied}, {"calculators", 3}, {"failed", 1}}));
}

// Another program holds the first, the second is gone by the time its
// session opens it: each a row with its outcome, the first in list order
// the run's exit status.
TEST_F(CliFleetTest, AllTellsACalculatorInUseAndOneGoneApart) {
  testing::CliWorld world;
  world.afterWait = [](sim::SimBus& machine, std::chrono::milliseconds) {
    if (!machine.interfaces.empty()) return;
    machine = sim::SimBus::WithCalculators(0, 3);
    machine.interfaces[0].refusal = WinError::SharingViolation;
    machine.interfaces[1].refusal = WinError::FileNotFound;
  };
  const std::string inUse = "The calculator (" + CalculatorPath(0) +
                            ") is in use by another program. Try again once it is done.";
  const std::string gone = "The calculator (" + CalculatorPath(1) +
                           ") is gone: it was plugged in when the calculators were listed.";
  const auto run = RunCli({"--wait", "5", "--all", "connect"}, false, world);
  EXPECT_EQ(run.status, kExitInUse) << run.err;
  EXPECT_NE(run.err.find("[1] Error: " + inUse + "\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("[2] Error: " + gone + "\n"), std::string::npos) << run.err;
  const auto lines = run.OutLines();
  EXPECT_FALSE(Starting(lines, "1  SIM0001  calculator in use  ").empty()) << run.out;
  EXPECT_FALSE(Starting(lines, "2  SIM0002  no calculator found  ").empty()) << run.out;
  EXPECT_FALSE(Starting(lines, "3  SIM0003  ok  ").empty()) << run.out;

  const auto json = RunCli({"--json", "--wait", "5", "--all", "connect"}, false, world);
  EXPECT_EQ(json.status, kExitInUse);
  const auto rows = json.Objects("summary").at(0)["calculators"];
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["outcome"], "calculator in use");
  EXPECT_EQ(rows[0]["exitStatus"], kExitInUse);
  EXPECT_EQ(rows[0]["error"], inUse);
  EXPECT_EQ(rows[1]["outcome"], "no calculator found");
  EXPECT_EQ(rows[1]["exitStatus"], kExitNotFound);
  EXPECT_EQ(rows[1]["error"], gone);
  EXPECT_EQ(rows[2]["exitStatus"], kExitSuccess);
  EXPECT_EQ(json.Result()["failed"], 2);
}

TEST_F(CliFleetTest, AllReadsEachCalculatorIntoAFileNamedForItsSerialNumber) {
  const auto old = directory.Write("old.bin", Pattern(kFlashSize, 7));
  const auto run = RunCli({"--simulate", "--sim-calculators", "2", "--sim-flash", old.string(),
                           "--all", "read", PathOf("flash.bin")});
  ASSERT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_EQ(directory.Read("flash-SIM0001.bin"), Pattern(kFlashSize, 7));
  EXPECT_EQ(directory.Read("flash-SIM0002.bin"), Pattern(kFlashSize, 7));
  EXPECT_FALSE(std::filesystem::exists(PathOf("flash.bin")));

  EXPECT_EQ(RunCli({"--simulate", "--sim-calculators", "2", "--all", "read", "-"}).status,
            kExitUsage);
}

// The warning after the first Ctrl-C is the run's, not one calculator's
// (one calculator: its download is surely running when the Ctrl-C comes).
TEST_F(CliFleetTest, AllTellsTheFirstCtrlCsWarningForTheRun) {
  testing::CliWorld world;
  world.beforeTransaction = [](long sent, StopSignals& signals) {
    if (sent == 100) signals.Interrupt();
  };
  const auto run = RunCli({"--simulate", "--sim-calculators", "1", "--all", "download", imageFile},
                          false, world);
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(run.err.starts_with("Warning: stopping the download now") ||
              run.err.find("\nWarning: stopping the download now") != std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("] Warning:"), std::string::npos) << run.err;
}

// They come one every 5 s; each is updated as it appears, numbered in the
// order they came, and the station ends after the third.
TEST_F(CliFleetTest, TheStationUpdatesEachCalculatorAsItArrivesUntilTheCount) {
  const auto run = RunCli({"--simulate", "--sim-calculators", "4", "--sim-arrive-every", "5",
                           "--sim-save", PathOf("flash"), "station", "--count", "3", imageFile});

  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  for (int n = 1; n <= 3; ++n) EXPECT_TRUE(HoldsImage(Flash(n))) << n;
  EXPECT_TRUE(Erased(Flash(4))) << "past the count";
  const auto lines = run.OutLines();
  for (int n = 1; n <= 3; ++n) {
    const std::string prefix = "[" + std::to_string(n) + "] SIM000" + std::to_string(n) + ": ok, ";
    EXPECT_EQ(Starting(lines, prefix).size(), 1u) << run.out;
  }
  EXPECT_GE(run.elapsed, 10s) << "the third came after 10 s";
  EXPECT_NE(run.err.find("Station: waiting for calculators"), std::string::npos);
}

// After the commit each resets for 2 s and comes back with its serial
// number: it is not updated a second time, however long the station waits.
TEST_F(CliFleetTest, ACalculatorBackFromItsResetIsNotUpdatedAgain) {
  // The exchanges of one update; the station's waits pass virtual time
  // faster than the updates do, so Ctrl-C waits for both to have sent all.
  std::atomic<long> sent = 0;
  testing::CliWorld world;
  world.beforeTransaction = [&sent](long count, StopSignals&) { sent = count + 1; };
  ASSERT_EQ(RunCli({"--simulate", "download", imageFile}, false, world).status, 0);
  const long oneUpdate = sent.exchange(0);
  std::optional<std::chrono::milliseconds> allSent;
  world.afterWaitSignals = [&](std::chrono::milliseconds now, StopSignals& signals) {
    if (sent < 2 * oneUpdate || signals.Interrupts() > 0) return;
    if (!allSent) allSent = now;
    // Well past both resets.
    if (now >= *allSent + 10s) signals.Interrupt();
  };
  const auto run = RunCli({"--simulate", "--json", "--sim-calculators", "2", "--sim-save",
                           PathOf("flash"), "station", imageFile},
                          false, world);

  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(HoldsImage(Flash(1)));
  EXPECT_TRUE(HoldsImage(Flash(2)));
  const auto finished = run.Objects("finished");
  ASSERT_EQ(finished.size(), 2u) << run.out;
  EXPECT_EQ(std::set<std::string>({finished[0]["serial"], finished[1]["serial"]}),
            (std::set<std::string>{"SIM0001", "SIM0002"}));
  EXPECT_EQ(run.Objects("summary").front()["calculators"].size(), 2u);
  EXPECT_NE(run.err.find("Stopping: no more calculators are taken."), std::string::npos) << run.err;
}

// The first Ctrl-C in the middle of the first update: it goes on to its
// commit, and the second calculator, arriving later, is left alone. A
// second Ctrl-C stops an update between two exchanges.
TEST_F(CliFleetTest, CtrlCEndsTheStationOnceTheRunningUpdatesFinish) {
  // Ctrl-C reaches the station while the first calculator's download waits
  // at its 100th exchange; the download goes on only once the station has
  // looked again, so the stop always finds it running.
  const auto stopWhileRunning = [] {
    struct Steps {
      std::atomic<bool> waiting{false};
      std::atomic<bool> raised{false};
      std::atomic<bool> looked{false};
    };
    const auto steps = std::make_shared<Steps>();
    testing::CliWorld world;
    world.beforeTransaction = [steps](long sent, StopSignals&) {
      if (sent != 100) return;
      steps->waiting = true;
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!steps->looked && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::yield();
      }
    };
    world.afterWaitSignals = [steps](std::chrono::milliseconds, StopSignals& signals) {
      if (steps->raised) {
        steps->looked = true;
      } else if (steps->waiting) {
        signals.Interrupt();
        steps->raised = true;
      }
    };
    return world;
  };
  // The second calculator comes an hour later on the virtual clock, which the
  // station's looks advance: a slow first update under load cannot let it in.
  const std::vector<std::string> arguments{
      "--simulate",    "--sim-calculators", "2",      "--sim-arrive-every", "3600", "--sim-save",
      PathOf("flash"), "station",           imageFile};
  const auto run = RunCli(arguments, false, stopWhileRunning());
  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  EXPECT_TRUE(HoldsImage(Flash(1)));
  EXPECT_TRUE(Erased(Flash(2)));
  EXPECT_NE(run.err.find("The running update finishes first"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Warning: stopping the download now"), std::string::npos);

  testing::CliWorld twice;
  twice.beforeTransaction = [](long sent, StopSignals& signals) {
    if (sent == 100 || sent == 200) signals.Interrupt();
  };
  const auto stopped = RunCli(arguments, false, twice);
  EXPECT_EQ(stopped.status, kExitInterrupted);
  EXPECT_FALSE(HoldsImage(Flash(1)));
  EXPECT_NE(stopped.err.find("[1] State: the flash was changed"), std::string::npos);

  auto counted = arguments;
  counted.insert(counted.end() - 1, {"--count", "2"});
  EXPECT_EQ(RunCli(counted, false, stopWhileRunning()).status, kExitInterrupted)
      << "the count not reached";
}

// A calculator's arrival, end and return are told on lines of its own, and
// the station ends once none has come for the --idle time. One calculator:
// nothing but the station's looks passes time during its reset.
TEST_F(CliFleetTest, TheStationTellsArrivalEndAndReturnAndEndsWhenIdle) {
  const auto run = RunCli({"--simulate", "station", "--idle", "30", imageFile});

  EXPECT_EQ(run.status, kExitSuccess) << run.err;
  const auto lines = run.OutLines();
  ASSERT_GE(lines.size(), 4u) << run.out;
  EXPECT_EQ(lines[0], "[1] SIM0001: arrived, updating");
  EXPECT_TRUE(lines[1].starts_with("[1] SIM0001: ok, ")) << lines[1];
  EXPECT_EQ(lines[2],
            "[1] Next: the calculator is now updating itself (1-3 min); do not unplug it until it "
            "shows Update Success!");
  EXPECT_EQ(lines[3], "[1] SIM0001: back after its update");
  EXPECT_NE(run.err.find("it ends after 30 s without one"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Station: no calculator for 30 s; it ends."), std::string::npos);

  const auto json = RunCli({"--simulate", "--json", "station", "--idle", "10", imageFile});
  EXPECT_EQ(json.status, kExitSuccess) << json.err;
  EXPECT_EQ(json.Objects().front()["options"]["idle"], 10.0);
  std::vector<std::string> types;
  for (const auto& object : json.Objects()) {
    const std::string type = object["type"];
    if (type != "arrived" && type != "finished" && type != "back") continue;
    types.push_back(type);
    EXPECT_EQ(object["device"], 1);
    EXPECT_EQ(object["serial"], "SIM0001");
    EXPECT_EQ(object["path"], CalculatorPath(0));
  }
  EXPECT_EQ(types, (std::vector<std::string>{"arrived", "finished", "back"}));
}

// One whose update failed is told what to do with it, and is not back: it
// does not reset.
TEST_F(CliFleetTest, TheStationTellsWhatToDoWithACalculatorWhoseUpdateFailed) {
  const auto run = RunCli({"--simulate", "--sim-calculators", "2", "--sim-fault-on", "2",
                           "--sim-bad-bank", "1", "station", "--idle", "30", imageFile});

  EXPECT_EQ(run.status, kExitChecksumMismatch) << run.err;
  const auto lines = run.OutLines();
  EXPECT_EQ(Starting(lines, "[1] SIM0001: ok, ").size(), 1u) << run.out;
  const auto failed = std::ranges::find_if(lines, [](const std::string& line) {
    return line.starts_with("[2] SIM0002: bank checksum mismatch, ");
  });
  ASSERT_NE(failed, lines.end()) << run.out;
  ASSERT_NE(failed + 1, lines.end());
  EXPECT_EQ(failed[1],
            "[2] Next: it was not updated; update it alone with download --device SIM0002 \"" +
                imageFile + "\", or in a new station run.");
  EXPECT_TRUE(Starting(lines, "[2] SIM0002: back").empty()) << run.out;
  EXPECT_NE(run.err.find("[2] State: the flash was changed"), std::string::npos) << run.err;
}

// Linux gives the node a device left to the next one: without serial
// numbers, calculator 1 unplugged in the middle of its download, and then
// another plugged in at its path. The station skips that one, since it
// cannot tell it from calculator 1, says so once with what to do, and ends
// once idle.
TEST_F(CliFleetTest, TheStationTellsItSkipsACalculatorItCannotTellFromOneTakenBefore) {
  const auto world = [] {
    testing::CliWorld reused;
    auto now = std::make_shared<std::atomic<std::chrono::milliseconds::rep>>(0);
    reused.afterWait = [now, plugged = false, goneSeen = false](
                           sim::SimBus& machine, std::chrono::milliseconds time) mutable {
      if (std::exchange(plugged, true)) {
        // The other comes at 5 s, but only after a look of the station
        // found the first gone, however the threads ran: without a look
        // between them the two are one calculator staying plugged in.
        const bool mayArrive = goneSeen;
        goneSeen = goneSeen || !machine.IsPresent(machine.interfaces[0]);
        *now = mayArrive ? time.count() : std::min(time, 5s - 1ms).count();
        return;
      }
      *now = time.count();
      // At the station's first wait nothing else uses the bus.
      machine = sim::SimBus::WithCalculators(0, 2);
      for (auto& entry : machine.interfaces) entry.serialNumber.reset();
      machine.interfaces[1].path = machine.interfaces[0].path;
      machine.Calculator(0).Faults().unplugAfter = 40;
      machine.SetArrival(1, 5s);
      machine.SetClock([now] { return std::chrono::milliseconds(now->load()); });
    };
    return reused;
  };
  const std::string path = CalculatorPath(0);

  const auto run = RunCli({"station", "--idle", "10", imageFile}, false, world());

  const auto lines = run.OutLines();
  EXPECT_EQ(Starting(lines, "[1] " + path + ": arrived").size(), 1u) << run.out;
  EXPECT_EQ(Starting(lines, "[2] ").size(), 0u) << run.out;
  EXPECT_EQ(Starting(lines, "[1] " + path + ": skipped"),
            std::vector<std::string>{
                "[1] " + path +
                ": skipped: without a serial number of its own it cannot be told from "
                "calculator 1, taken at this path before. If it is another calculator, update it "
                "alone with download --device \"" +
                path + "\" \"" + imageFile + "\", or in a new station run."})
      << run.out;
  EXPECT_NE(run.err.find("Station: no calculator for 10 s; it ends."), std::string::npos);

  const auto json = RunCli({"--json", "station", "--idle", "10", imageFile}, false, world());
  EXPECT_EQ(json.Objects("skipped"),
            (std::vector<Json>{
                {{"type", "skipped"}, {"device", 1}, {"serial", nullptr}, {"path", path}}}))
      << json.out;
  EXPECT_EQ(json.Objects("summary").front()["calculators"].size(), 1u);
}

}  // namespace
}  // namespace usblink
