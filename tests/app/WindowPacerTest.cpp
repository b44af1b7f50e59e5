#include "app/WindowPacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "protocol/HidCP.h"
#include "sim/SimHidApi.h"

namespace usblink::app {
namespace {

using namespace std::chrono_literals;

// An event loop on a fake clock: each dispatch moves time on to the armed
// timer's tick (or by `step` when an event comes first) and delivers it.
class FakeLoop : public EventLoopPort {
 public:
  void ArmTimer(std::chrono::milliseconds interval) override {
    armed.push_back(interval);
    dueAt = now + interval;
  }
  void DisarmTimer() override { dueAt.reset(); }
  void DispatchEvents() override {
    ++dispatches;
    if (onDispatch) onDispatch();
    if (!dueAt || closed) return;
    now = std::max(now + 1ms, *dueAt - tickEarly);
    pacer->OnTimerTick();
  }
  bool Closed() const override { return closed; }
  std::chrono::steady_clock::time_point Now() const override { return now; }

  WindowPacer* pacer = nullptr;
  std::vector<std::chrono::milliseconds> armed;
  std::optional<std::chrono::steady_clock::time_point> dueAt;
  std::chrono::steady_clock::time_point now{};
  std::chrono::milliseconds tickEarly{0};
  std::function<void()> onDispatch;
  int dispatches = 0;
  bool closed = false;
};

class WindowPacerTest : public ::testing::Test {
 protected:
  void SetUp() override { loop.pacer = &pacer; }
  FakeLoop loop;
  WindowPacer pacer{loop};
};

TEST_F(WindowPacerTest, OneTickIsOneWaitOfTenMilliseconds) {
  pacer.WaitForTick(0);
  EXPECT_EQ(loop.armed, std::vector<std::chrono::milliseconds>{10ms});
  EXPECT_TRUE(pacer.DelayElapsed());
  EXPECT_FALSE(loop.dueAt);  // the tick disarmed the timer
}

TEST_F(WindowPacerTest, ATimerThatFiresEarlyIsArmedAgainForTheRest) {
  loop.tickEarly = 9ms;  // a 10 ms timer that fires after 1 ms
  const auto start = loop.now;
  pacer.WaitForTick(0);
  EXPECT_GE(loop.now - start, 10ms);
  ASSERT_GE(loop.armed.size(), 2u);
  EXPECT_EQ(loop.armed[1], 9ms);
}

TEST_F(WindowPacerTest, ClosingTheWindowDuringTheWaitEndsIt) {
  loop.onDispatch = [&] { loop.closed = true; };
  EXPECT_THROW(pacer.WaitForTick(0), ProcessEnded);
  EXPECT_FALSE(loop.dueAt);
}

TEST_F(WindowPacerTest, ATransactionIsBoundOnTheWindowsClock) {
  sim::CalculatorFaults silent;
  silent.silentAfter = 0;
  sim::SimBus bus = sim::SimBus::WithCalculator(0, silent);
  sim::SimHidApi api{bus};
  HidCP::Link link;
  link.HIDHandle = api.CreateFileA(bus.interfaces.back().path, kGenericReadWrite,
                                   kFileShareReadWrite, nullptr, kOpenExisting, 0);
  // Every read stalls for 5 s; the window's polls stay 10 ms.
  bus.beforeInputReport = [&] { loop.now += 5s; };
  link.OutReport[0] = 1;
  link.OutReport[1] = 0x31;
  link.OutReport[63] = 0xFF;
  EXPECT_THROW(HidCP::SendCommand({api, pacer, link}), DeviceFailure);
  EXPECT_EQ(loop.armed.size(), 6u);
}

}  // namespace
}  // namespace usblink::app
