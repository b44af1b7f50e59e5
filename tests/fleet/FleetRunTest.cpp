// Several calculators' sessions at once, and the names of their files.

#include "fleet/FleetRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <stdexcept>
#include <thread>

#include "fleet/DurationText.h"
#include "fleet/RunFiles.h"
#include "protocol/Outcome.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;

HidInterface Calculator(std::string path, std::optional<std::string> serial) {
  HidInterface entry;
  entry.path = std::move(path);
  entry.serialNumber = std::move(serial);
  return entry;
}

// Each session's clock reading, one tick a reading.
SessionClock Ticks() {
  auto ticks = std::make_shared<std::atomic<long>>(0);
  return [ticks] { return std::chrono::steady_clock::time_point(std::chrono::seconds(++*ticks)); };
}

TEST(FleetRunTest, CalculatorsAreNumberedInListOrderAndFoundAgainByTheirSerialOrPath) {
  const auto members =
      NumberCalculators({Calculator("/dev/hidraw1", "A1"), Calculator("/dev/hidraw2", std::nullopt),
                         Calculator("/dev/hidraw3", ""), Calculator("/dev/hidraw4", "B2"),
                         Calculator("/dev/hidraw5", "B2")});

  ASSERT_EQ(members.size(), 5u) << "a serial number two share is no identity";
  EXPECT_EQ(members[0].number, 1);
  EXPECT_EQ(members[0].selector, DeviceSelector::FromText("A1"));
  EXPECT_EQ(members[1].number, 2);
  EXPECT_EQ(members[1].selector, DeviceSelector::FromText("/dev/hidraw2"));
  EXPECT_EQ(members[2].selector, DeviceSelector::FromText("/dev/hidraw3")) << "an empty serial";
  EXPECT_EQ(members[3].selector, DeviceSelector::FromText("/dev/hidraw4"));
  EXPECT_EQ(members[4].selector, DeviceSelector::FromText("/dev/hidraw5"));
  EXPECT_EQ(SharedSerialText(members[3], members), "  same serial number as 5");
  EXPECT_EQ(SharedSerialText(members[0], members), "");
  EXPECT_EQ(SharedSerialText(members[1], members), "") << "no serial number is none shared";
  EXPECT_EQ(CalculatorKey(members[0].selector),
            CalculatorKey(SelectorOf(Calculator("/dev/hidraw9", "A1"), {})));
  EXPECT_NE(CalculatorKey(DeviceSelector::FromText("/dev/A1")), CalculatorKey(members[0].selector));
}

// --device: exactly the serial number, else digits as the number, else the
// serial number without regard to case; two matches or none are refused
// with the calculators listed.
TEST(FleetRunTest, DeviceChoosesOneCalculatorByNumberSerialOrPath) {
  const auto present = NumberCalculators({Calculator("/p/1", "Ab1"), Calculator("/p/2", "2"),
                                          Calculator("/p/3", "SAME"), Calculator("/p/4", "SAME"),
                                          Calculator("/p/5", "same")});
  const auto chosen = [&](const std::string& text) {
    const auto choice = ChooseDevice(DeviceSelector::FromText(text), present);
    return choice ? choice->number : -choice.Error().exitStatus;
  };
  EXPECT_EQ(chosen("Ab1"), 1);
  EXPECT_EQ(chosen("aB1"), 1) << "case does not count where one matches";
  EXPECT_EQ(chosen("/P/3"), 3);
  EXPECT_EQ(chosen("1"), 1) << "no serial number is 1";
  EXPECT_EQ(chosen("2"), 2) << "calculator 2's serial number";
  EXPECT_EQ(chosen("5"), 5);
  EXPECT_EQ(chosen("same"), 5) << "exactly";
  EXPECT_EQ(chosen("SAME"), -kExitUsage);
  EXPECT_EQ(chosen("Same"), -kExitUsage);
  EXPECT_EQ(chosen("6"), -kExitNotFound);
  EXPECT_EQ(chosen("0"), -kExitNotFound);
  EXPECT_EQ(chosen("/p/9"), -kExitNotFound);

  const auto twice = ChooseDevice(DeviceSelector::FromText("SAME"), present);
  EXPECT_EQ(twice.Error().message,
            "\"SAME\" names 2 calculators: name one by its number or path.\n"
            "  3  SAME  /p/3  same serial number as 4\n"
            "  4  SAME  /p/4  same serial number as 3");
  const auto miss = ChooseDevice(DeviceSelector::FromText("X"), present);
  EXPECT_TRUE(miss.Error().message.starts_with(
      "No calculator is \"X\"; the calculators present:\n  1  Ab1  /p/1\n"))
      << miss.Error().message;
  EXPECT_TRUE(miss.Error().message.ends_with("\n  5  same  /p/5")) << miss.Error().message;
}

TEST(FleetRunTest, AllSessionsRunAtOnceAndTheFirstFailureInListOrderIsTheStatus) {
  const auto members = NumberCalculators({Calculator("/p/1", "S1"), Calculator("/p/2", "S2"),
                                          Calculator("/p/3", "S3"), Calculator("/p/4", "S4")});
  // No session ends before all have begun: one at a time would never end.
  std::latch allStarted(static_cast<std::ptrdiff_t>(members.size()));
  std::atomic<bool> secondMayEnd = false;
  const auto ends = RunFleet(
      members,
      [&](const FleetMember& member) {
        allStarted.arrive_and_wait();
        switch (member.number) {
          case 2:
            // Ends last, after the third failed.
            while (!secondMayEnd) std::this_thread::yield();
            return 6;
          case 3:
            secondMayEnd = true;
            return 5;
          default:
            return 0;
        }
      },
      Ticks());

  ASSERT_EQ(ends.size(), 4u);
  for (std::size_t index = 0; index < ends.size(); ++index) {
    EXPECT_EQ(ends[index].member.number, static_cast<int>(index) + 1);
    EXPECT_GT(ends[index].took, 0s);
  }
  EXPECT_EQ(ends[1].status, 6);
  EXPECT_EQ(ends[2].status, 5);
  EXPECT_EQ(FleetStatus(ends, 3), 6);
  EXPECT_EQ(FleetStatus({ends[0], ends[3]}, 3), 0);
  EXPECT_EQ(FleetStatus({}, 3), 3) << "no calculator";
}

TEST(FleetRunTest, AnExceptionOutOfOneSessionComesOutOnceAllHaveEnded) {
  const auto members = NumberCalculators({Calculator("/p/1", "S1"), Calculator("/p/2", "S2")});
  std::atomic<int> ended = 0;
  EXPECT_THROW(RunFleet(
                   members,
                   [&](const FleetMember& member) {
                     if (member.number == 1) throw std::runtime_error("out of memory");
                     ++ended;
                     return 0;
                   },
                   Ticks()),
               std::runtime_error);
  EXPECT_EQ(ended, 1);
}

TEST(FleetRunTest, TheSummaryTableHasAColumnAsWideAsItsWidestCell) {
  std::vector<MemberEnd> ends{
      {NumberCalculators({Calculator("/p/1", "SIM0001")}).front(), 0, 15400ms, {}},
      {NumberCalculators({Calculator("/p/2", std::nullopt)}, 10).front(), 6, 2960ms, {}}};
  const auto outcome = [](int status) { return status == 0 ? "ok" : "device error"; };

  EXPECT_EQ(SummaryTable(ends, outcome),
            (std::vector<std::string>{" n  serial   outcome       seconds",
                                      " 1  SIM0001  ok               15.4",
                                      "10  -        device error      3.0"}));
}

TEST(FleetRunTest, FilesAreTaggedWithSerialsWhereEveryCalculatorHasItsOwn) {
  const auto bySerial =
      NumberCalculators({Calculator("/p/1", "SIM0001"), Calculator("/p/2", "B-2")});
  EXPECT_EQ(FileTags(bySerial), (std::vector<std::string>{"SIM0001", "B-2"}));
  EXPECT_EQ(TaggedFile("out/Load.bin", "SIM0001"), std::filesystem::path("out/Load-SIM0001.bin"));
  EXPECT_EQ(TaggedFile("flash", "2"), std::filesystem::path("flash-2"));
  EXPECT_EQ(NumberedFile("run.log", 2), std::filesystem::path("run.log.2"));

  const std::vector<std::vector<HidInterface>> numbered{
      {Calculator("/p/1", "SIM0001"), Calculator("/p/2", std::nullopt)},
      {Calculator("/p/1", "ab"), Calculator("/p/2", "AB")},  // one file where case does not count
      {Calculator("/p/1", "a/b"), Calculator("/p/2", "c")},
      {Calculator("/p/1", ".."), Calculator("/p/2", "c")},
  };
  for (const auto& calculators : numbered) {
    EXPECT_EQ(FileTags(NumberCalculators(calculators)), (std::vector<std::string>{"1", "2"}))
        << *calculators.front().serialNumber;
  }
}

TEST(DurationTextTest, TheJsonSecondsAreTheSummarysNumber) {
  using std::chrono::nanoseconds;
  for (const long long ns : {0LL, 49'999'999LL, 50'000'000LL, 150'000'000LL, 250'000'000LL,
                             48'149'999'999LL, 48'150'000'000LL, 3'599'950'000'000LL}) {
    EXPECT_EQ(TenthsOfSeconds(nanoseconds(ns)), std::stod(SecondsText(nanoseconds(ns)))) << ns;
  }
  EXPECT_EQ(SecondsText(nanoseconds(48'149'999'999)), "48.1");
  EXPECT_EQ(SecondsText(nanoseconds(48'150'000'000)), "48.2");
  EXPECT_EQ(SecondsText(nanoseconds(0)), "0.0");
}

}  // namespace
}  // namespace usblink
