// The station's comings and goings on a clock of its own: calculators that
// arrive, leave for their reset and come back.

#include "fleet/Station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

namespace usblink {
namespace {

using namespace std::chrono_literals;

// Calculators that arrive at their time and, once updated, leave for a
// reset and come back. The station's waits are the only time that passes.
class StationWorld {
 public:
  struct Plugged {
    std::string path;
    std::optional<std::string> serial;
    std::chrono::milliseconds arrival{0};
    // Unplugged then; a calculator back at a new path is gone from its old one.
    std::chrono::milliseconds leaves = std::chrono::milliseconds::max();
  };

  explicit StationWorld(std::vector<Plugged> plugged) : plugged_(std::move(plugged)) {}

  StationEnd Run(StationSettings settings = {}) {
    return RunStation(
        settings,
        {[this] { return Present(); }, [this](std::chrono::milliseconds waited) { Sleep(waited); },
         [this](const FleetMember& member) { Told("arrived", member); },
         [this](const FleetMember& member) { return Update(member); },
         [this](const MemberEnd& end) {
           finished.push_back(end);
           Told("finished", end.member);
         },
         [this](const FleetMember& member) { Told("back", member); },
         [this](const FleetMember& member) {
           Told("skipped", member);
           skippedAt.push_back(member.calculator.path);
         },
         [this](int running) { stoppingWith.push_back(running); },
         [this] { return std::chrono::steady_clock::time_point(Now()); }, signals});
  }

  // The paths updated; their threads may begin in any order.
  std::vector<std::string> updated;
  std::vector<MemberEnd> finished;
  std::vector<int> stoppingWith;
  // The paths of the calculators told skipped, in order.
  std::vector<std::string> skippedAt;
  // What the station told, in order, with the calculator's number and the time.
  std::vector<std::tuple<std::string, int, std::chrono::milliseconds>> told;
  StopSignals signals;
  // Runs inside each update, on its thread.
  std::function<int(const FleetMember&)> during = [](const FleetMember&) { return 0; };
  // Whether a calculator whose update failed resets too.
  bool failuresReset = true;
  // Runs at each of the station's waits, with the time after it.
  std::function<void(std::chrono::milliseconds now)> onSleep = [](auto) {};

  [[nodiscard]] std::chrono::milliseconds Now() const { return std::chrono::milliseconds(now_); }
  // From the station's thread, at a wait: until every update begun is over,
  // so that each ends before the next look.
  void AwaitUpdates() const {
    const auto begun =
        std::ranges::count(told, "arrived", [](const auto& event) { return std::get<0>(event); });
    while (updatesDone_ < begun) std::this_thread::yield();
  }

 private:
  std::vector<HidInterface> Present() {
    const std::scoped_lock guard(lock_);
    std::vector<HidInterface> present;
    for (const Plugged& plugged : plugged_) {
      const auto reset = resetSince_.find(plugged.path);
      const bool resetting = reset != resetSince_.end() && Now() < reset->second + 2s;
      if (Now() < plugged.arrival || Now() >= plugged.leaves || resetting) continue;
      HidInterface entry;
      entry.path = plugged.path;
      entry.serialNumber = plugged.serial;
      present.push_back(entry);
    }
    return present;
  }

  void Sleep(std::chrono::milliseconds waited) {
    now_ += waited.count();
    onSleep(Now());
  }

  int Update(const FleetMember& member) {
    {
      const std::scoped_lock guard(lock_);
      updated.push_back(member.calculator.path);
    }
    const int status = during(member);
    const std::scoped_lock guard(lock_);
    if (status == 0 || failuresReset) resetSince_[member.calculator.path] = Now();
    ++updatesDone_;
    return status;
  }

  void Told(const std::string& event, const FleetMember& member) {
    told.emplace_back(event, member.number, Now());
  }

  std::vector<Plugged> plugged_;
  std::atomic<std::chrono::milliseconds::rep> now_{0};
  std::mutex lock_;
  std::map<std::string, std::chrono::milliseconds> resetSince_;
  std::atomic<long> updatesDone_ = 0;
};

TEST(StationTest, EachCalculatorIsUpdatedAsItArrivesNumberedInOrderOfArrival) {
  StationWorld world({{"/p/late", "S3", 3s}, {"/p/first", "S1", 0s}, {"/p/second", "S2", 1s}});

  const StationEnd end = world.Run({3});

  EXPECT_FALSE(end.stopped);
  EXPECT_EQ(world.updated.size(), 3u);
  ASSERT_EQ(end.ends.size(), 3u);
  EXPECT_EQ(world.finished.size(), 3u);
  std::set<std::pair<int, std::string>> numbered;
  for (const MemberEnd& ended : end.ends) {
    numbered.emplace(ended.member.number, ended.member.calculator.path);
    EXPECT_EQ(ended.member.selector.by, DeviceSelector::By::SerialNumber);
  }
  EXPECT_EQ(numbered, (std::set<std::pair<int, std::string>>{
                          {1, "/p/first"}, {2, "/p/second"}, {3, "/p/late"}}));
}

// The first comes back with its serial at a new path, as after a reset on
// Linux; those without a serial are told apart by their paths.
TEST(StationTest, ACalculatorBackFromItsResetIsNotUpdatedAgain) {
  StationWorld world({{"/p/1", "S1", 0s, 6s},
                      {"/p/1-again", "S1", 6s},
                      {"/p/1", std::nullopt, 3s},  // its serial number unread during the reset
                      {"/p/2", std::nullopt, 0s},
                      {"/p/3", std::nullopt, 1s}});
  // Ctrl-C well after all three are back from their resets and the first
  // is at its new path.
  std::optional<std::chrono::milliseconds> allDone;
  world.onSleep = [&](std::chrono::milliseconds now) {
    if (world.finished.size() < 3 || world.signals.Interrupts() > 0) return;
    if (!allDone) allDone = std::max(now, 6000ms);
    if (now >= *allDone + 5s) world.signals.Interrupt();
  };

  const StationEnd end = world.Run();

  EXPECT_TRUE(end.stopped);
  EXPECT_EQ(std::set(world.updated.begin(), world.updated.end()),
            (std::set<std::string>{"/p/1", "/p/2", "/p/3"}));
  EXPECT_EQ(world.updated.size(), 3u);
  EXPECT_EQ(end.ends.size(), 3u);
  EXPECT_EQ(world.stoppingWith, (std::vector<int>{0}));
}

// Linux gives a node's number to the next device once it is free: a
// calculator without a serial number at the path of one taken before cannot
// be told from it. It is skipped and told once as it appears, with the
// number it is taken for; nothing is told of a return from a reset, of a
// calculator with a serial number of its own plugged in again, or of one
// staying plugged in.
TEST(StationTest, ACalculatorWithoutASerialAtAPathTakenBeforeIsToldSkipped) {
  StationWorld world({{"/p/1", std::nullopt, 0s, 5s},
                      {"/p/1", std::nullopt, 8s, 12s},
                      {"/p/1", std::nullopt, 15s},
                      {"/p/2", "S2", 0s, 5s},
                      {"/p/2", "S2", 9s},
                      {"/p/3", std::nullopt, 1s}});
  world.onSleep = [&](std::chrono::milliseconds now) {
    world.AwaitUpdates();
    if (now == 20s) world.signals.Interrupt();
  };

  const StationEnd end = world.Run();

  EXPECT_EQ(std::set(world.updated.begin(), world.updated.end()),
            (std::set<std::string>{"/p/1", "/p/2", "/p/3"}));
  EXPECT_EQ(end.ends.size(), 3u);
  EXPECT_EQ(world.skippedAt, (std::vector<std::string>{"/p/1", "/p/1"}));
  std::map<int, std::string> pathOf;
  for (const MemberEnd& ended : end.ends)
    pathOf[ended.member.number] = ended.member.calculator.path;
  std::vector<std::pair<int, std::chrono::milliseconds>> skipped;
  for (const auto& [event, number, time] : world.told) {
    if (event == "skipped") skipped.emplace_back(number, time);
  }
  ASSERT_EQ(skipped.size(), 2u);
  // Each with the number of the one taken at /p/1.
  for (const auto& [number, time] : skipped) EXPECT_EQ(pathOf[number], "/p/1") << number;
  EXPECT_GE(skipped[0].second, 8s);
  EXPECT_LT(skipped[0].second, 8s + 500ms);
  EXPECT_GE(skipped[1].second, 15s);
  EXPECT_LT(skipped[1].second, 15s + 500ms);
}

// One unplugged in the middle of its update, and another plugged in at its
// path before the station sees that update fail: it is told skipped once
// the update has failed, not when it can no longer be told at all.
TEST(StationTest, ACalculatorAtThePathOfAFailingUpdateIsToldOnceItFailed) {
  StationWorld world({{"/p/1", std::nullopt, 0s, 2s}, {"/p/1", std::nullopt, 3s}});
  world.failuresReset = false;
  std::atomic<bool> released = false;
  world.onSleep = [&](std::chrono::milliseconds now) {
    if (now >= 5s) {
      released = true;
      world.AwaitUpdates();
    }
    if (now == 10s) world.signals.Interrupt();
  };
  world.during = [&](const FleetMember&) {
    while (!released) std::this_thread::yield();
    return 3;
  };

  const StationEnd end = world.Run();

  ASSERT_EQ(end.ends.size(), 1u);
  EXPECT_EQ(world.skippedAt, std::vector<std::string>{"/p/1"});
  for (const auto& [event, number, time] : world.told) {
    if (event != "skipped") continue;
    EXPECT_EQ(number, 1);
    EXPECT_GE(time, 5s);
  }
  std::vector<std::string> events;
  for (const auto& told : world.told) events.push_back(std::get<0>(told));
  EXPECT_EQ(events, (std::vector<std::string>{"arrived", "finished", "skipped"}));
}

// Two clones with one serial number, present at once: both are updated,
// each found again by its path; neither is taken again after its reset.
TEST(StationTest, CalculatorsSharingASerialNumberAreToldApartByPath) {
  StationWorld world({{"/p/1", "SAME", 0s}, {"/p/2", "SAME", 1s}, {"/p/3", "OTHER", 1s}});
  world.onSleep = [&](std::chrono::milliseconds now) {
    if (now == 20s) world.signals.Interrupt();
  };

  const StationEnd end = world.Run();

  EXPECT_EQ(std::set(world.updated.begin(), world.updated.end()),
            (std::set<std::string>{"/p/1", "/p/2", "/p/3"}));
  ASSERT_EQ(end.ends.size(), 3u);
  // The first was alone when it came; the second met it.
  for (const MemberEnd& ended : end.ends) {
    EXPECT_EQ(ended.member.selector.by, ended.member.calculator.path == "/p/2"
                                            ? DeviceSelector::By::Path
                                            : DeviceSelector::By::SerialNumber)
        << ended.member.calculator.path;
  }
}

// The update in progress when Ctrl-C comes goes on to its end; the
// calculator that arrives meanwhile is left alone.
TEST(StationTest, AStopTakesNoMoreCalculatorsAndLetsTheRunningUpdatesFinish) {
  StationWorld world({{"/p/1", "S1", 0s}, {"/p/2", "S2", 2s}});
  std::atomic<bool> stopSeen = false;
  world.onSleep = [&](std::chrono::milliseconds now) {
    if (now == 1s) world.signals.Interrupt();
    if (!world.stoppingWith.empty()) stopSeen = true;
  };
  world.during = [&](const FleetMember&) {
    while (!stopSeen) std::this_thread::yield();
    return 4;
  };

  const StationEnd end = world.Run({5});

  EXPECT_TRUE(end.stopped);
  EXPECT_EQ(world.stoppingWith, (std::vector<int>{1}));
  EXPECT_EQ(world.updated, (std::vector<std::string>{"/p/1"}));
  ASSERT_EQ(end.ends.size(), 1u);
  EXPECT_EQ(end.ends[0].status, 4);
}

// Each calculator's arrival, end and return from its reset are told in
// that order; one whose update failed is not told back, though it resets.
TEST(StationTest, ArrivalsEndsAndReturnsAreToldAndAnIdleStationEnds) {
  StationWorld world({{"/p/1", "S1", 0s}, {"/p/2", std::nullopt, 1s}, {"/p/3", "S3", 1s}});
  world.during = [](const FleetMember& member) { return member.calculator.path == "/p/3" ? 4 : 0; };

  const StationEnd end = world.Run({std::nullopt, 6s});

  EXPECT_TRUE(end.idle);
  EXPECT_FALSE(end.stopped);
  EXPECT_EQ(end.ends.size(), 3u);
  std::map<int, std::vector<std::string>> events;
  std::map<std::pair<std::string, int>, std::chrono::milliseconds> at;
  for (const auto& [event, number, time] : world.told) {
    events[number].push_back(event);
    at[{event, number}] = time;
  }
  const std::vector<std::string> returned{"arrived", "finished", "back"};
  EXPECT_EQ(events[1], returned);
  EXPECT_EQ(events[2], returned);
  EXPECT_EQ(events[3], (std::vector<std::string>{"arrived", "finished"}));
  const auto when = [&at](const std::string& event, int number) { return at[{event, number}]; };
  EXPECT_GE(when("back", 1), when("arrived", 1) + 2s) << "back only after its reset";
  // Idle from the last end, whichever that was.
  const auto lastEnd = std::max({when("finished", 1), when("finished", 2), when("finished", 3)});
  EXPECT_GE(world.Now(), lastEnd + 6s);
  EXPECT_LT(world.Now(), lastEnd + 6s + 500ms);
}

// The idle time counts only while no update runs: a long update does not
// end the station, and a calculator arriving within the time is taken.
TEST(StationTest, AnIdleStationWaitsForTheRunningUpdatesAndForLateArrivals) {
  StationWorld world({{"/p/1", "S1", 0s}, {"/p/2", "S2", 25s}});
  std::atomic<bool> released = false;
  world.onSleep = [&](std::chrono::milliseconds now) {
    if (now >= 20s) released = true;
  };
  world.during = [&](const FleetMember& member) {
    while (member.number == 1 && !released) std::this_thread::yield();
    return 0;
  };

  const StationEnd end = world.Run({std::nullopt, 6s});

  EXPECT_TRUE(end.idle);
  EXPECT_EQ(std::set(world.updated.begin(), world.updated.end()),
            (std::set<std::string>{"/p/1", "/p/2"}));
  EXPECT_GE(world.Now(), 31s);
}

}  // namespace
}  // namespace usblink
