// Several calculators' sessions at once, and the names of their files.

#include "fleet/FleetRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <stdexcept>
#include <thread>

#include "fleet/DurationText.h"
#include "fleet/RunFiles.h"

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
                         Calculator("/dev/hidraw3", ""), Calculator("/dev/hidraw4", "A1")});

  ASSERT_EQ(members.size(), 3u) << "hidraw4 is A1's second interface";
  EXPECT_EQ(members[0].number, 1);
  EXPECT_EQ(members[0].selector, DeviceSelector::FromText("A1"));
  EXPECT_EQ(members[1].number, 2);
  EXPECT_EQ(members[1].selector, DeviceSelector::FromText("/dev/hidraw2"));
  EXPECT_EQ(members[2].selector, DeviceSelector::FromText("/dev/hidraw3")) << "an empty serial";
  EXPECT_EQ(CalculatorKey(members[0].calculator), CalculatorKey(Calculator("/dev/hidraw9", "A1")));
  EXPECT_NE(CalculatorKey(Calculator("A1", std::nullopt)), CalculatorKey(members[0].calculator));
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
      {NumberCalculators({Calculator("/p/1", "SIM0001")}).front(), 0, 15400ms},
      {NumberCalculators({Calculator("/p/2", std::nullopt)}, 10).front(), 6, 2960ms}};
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
