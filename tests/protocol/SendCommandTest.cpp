#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "CalculatorFixture.h"
#include "protocol/HidCP.h"
#include "protocol/Pacer.h"
#include "protocol/PollPace.h"
#include "support/VirtualPacer.h"

namespace usblink {
namespace {

class SendCommandTest : public ::testing::Test, protected testing::LinkedCalculator {
 protected:
  void SetUp() override {
    link.HIDHandle = api.CreateFileA(bus.interfaces.back().path, kGenericReadWrite,
                                     kFileShareReadWrite, nullptr, kOpenExisting, 0);
    ASSERT_TRUE(HidCP::IsOpen(link.HIDHandle));
  }

  void Send(std::uint8_t code) {
    link.OutReport[0] = 1;
    link.OutReport[1] = code;
    link.OutReport[63] = 0xFF;
    HidCP::SendCommand(channel);
  }

  // The failure a command ends in, or none.
  std::optional<DeviceFailure> Failure(std::uint8_t code) {
    try {
      Send(code);
    } catch (const DeviceFailure& failure) {
      return failure;
    }
    return std::nullopt;
  }

  sim::SimCalculator& Calculator() { return bus.calculator; }
};

TEST_F(SendCommandTest, DoneOnTheFirstReadIsOneWriteOneTickOneRead) {
  Send(0x31);
  EXPECT_EQ(Calculator().Commands().size(), 1u);
  EXPECT_EQ(pacer.ticks, 1);
  EXPECT_TRUE(std::equal(kCalculatorIdentity.begin(), kCalculatorIdentity.end(),
                         link.InReport.begin() + 2));
}

TEST_F(SendCommandTest, BusyRepliesArePolledOncePerTickWithoutResending) {
  Calculator().Faults().busyReplies = 7;
  Send(0x30);
  EXPECT_EQ(Calculator().Commands().size(), 1u);
  EXPECT_EQ(pacer.ticks, 8);
  EXPECT_EQ(link.InReport[63], 0x00);
}

TEST_F(SendCommandTest, ADeviceThatStaysBusyTimesOutAfter501Reads) {
  Calculator().Faults().silentAfter = 0;
  const auto failure = Failure(0x31);
  ASSERT_TRUE(failure);
  EXPECT_STREQ(failure->what(), "PC Timeout Error! ");
  EXPECT_EQ(failure->Status(), 0x99);
  EXPECT_EQ(pacer.ticks, 501);
}

TEST_F(SendCommandTest, TheBudgetIsExactly500BusyReplies) {
  Calculator().Faults().busyReplies = 499;
  EXPECT_FALSE(Failure(0x31));
  EXPECT_EQ(pacer.ticks, 500);

  // The 501st reply would have been good, but the host has given up by then.
  Calculator().Faults().busyReplies = 500;
  pacer.ticks = 0;
  const auto failure = Failure(0x31);
  ASSERT_TRUE(failure);
  EXPECT_STREQ(failure->what(), "PC Timeout Error! ");
  EXPECT_EQ(pacer.ticks, 501);
}

TEST_F(SendCommandTest, HostTimeoutStatusFromTheDeviceEndsAtOnce) {
  Calculator().Faults().statuses.push_back({0x31, 1, 0x99});
  const auto failure = Failure(0x31);
  ASSERT_TRUE(failure);
  EXPECT_STREQ(failure->what(), "PC Timeout Error! ");
  EXPECT_EQ(pacer.ticks, 1);
}

TEST_F(SendCommandTest, EveryErrorStatusEndsWithItsMessage) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0x55, "Handling Error! "},
      {0xAA, "Timeout Error! "},
      {0x33, "Type  Error(USB Norm Or USB KEY)! "},
      {0x44, "Invalid instruction Error! "},
  };
  int nth = 0;
  for (const auto& [status, message] : cases) {
    Calculator().Faults().statuses.push_back({0x30, ++nth, status});
    const auto failure = Failure(0x30);
    ASSERT_TRUE(failure) << int{status};
    EXPECT_STREQ(failure->what(), message);
    EXPECT_EQ(failure->Status(), status);
  }
}

TEST_F(SendCommandTest, ADeviceWhoseReadsStallTimesOutThirtySecondsAfterTheSend) {
  using namespace std::chrono_literals;
  // Every read waits out the kernel's 5 s control timeout.
  bus.beforeInputReport = [&] { pacer.Advance(5s); };
  Calculator().Faults().silentAfter = 0;
  const auto failure = Failure(0x31);
  ASSERT_TRUE(failure);
  EXPECT_STREQ(failure->what(), "PC Timeout Error! ");
  EXPECT_EQ(pacer.ticks, 6);  // 6 polls of 10 ms + 5 s: the sixth ends past 30 s
  EXPECT_EQ(pacer.clock->Now(), 30060ms);
}

TEST_F(SendCommandTest, AReplyThatComesIsTakenHoweverLateTheReadEnds) {
  using namespace std::chrono_literals;
  bus.beforeInputReport = [&] { pacer.Advance(5s); };
  // The sixth read starts before 30 s are up and ends after them.
  Calculator().Faults().busyReplies = 5;
  EXPECT_FALSE(Failure(0x31));
  EXPECT_EQ(pacer.ticks, 6);
  // The bound counts from each command's own send.
  EXPECT_FALSE(Failure(0x30));
  EXPECT_EQ(pacer.ticks, 12);

  Calculator().Faults().busyReplies = 6;
  const auto busy = Failure(0x31);
  ASSERT_TRUE(busy);
  EXPECT_STREQ(busy->what(), "PC Timeout Error! ");
  EXPECT_EQ(pacer.ticks, 18);
}

TEST(PollPaceTest, FastPollingStillGivesTheDeviceItsFiveSeconds) {
  using namespace std::chrono_literals;
  const auto fast = PollPace::Fast();
  EXPECT_FALSE(fast.LimitReached(500, 6s));
  // 501 polls of at most 1 ms are far less than five seconds.
  EXPECT_FALSE(fast.LimitReached(501, 600ms));
  EXPECT_FALSE(fast.LimitReached(4000, 4999ms));
  EXPECT_TRUE(fast.LimitReached(4000, 5s));

  const auto standard = PollPace::Standard();
  EXPECT_FALSE(standard.LimitReached(500, 5s));
  EXPECT_TRUE(standard.LimitReached(501, 1s));
}

// When each read is made, on the virtual clock, counted from the send.
class PollTimesTest : public SendCommandTest {
 protected:
  std::vector<std::chrono::microseconds> PollTimes(std::uint8_t code) {
    std::vector<std::chrono::microseconds> times;
    const auto sent = pacer.clock->Precise();
    bus.beforeInputReport = [&] { times.push_back(pacer.clock->Precise() - sent); };
    Failure(code);
    bus.beforeInputReport = nullptr;
    return times;
  }
};

TEST_F(PollTimesTest, FastPollsAtOnceThenAtWaitsGrowingToOneMillisecond) {
  using namespace std::chrono_literals;
  pacer.pace = PollPace::Fast();
  Calculator().Faults().busyReplies = 12;
  const auto times = PollTimes(0x31);
  ASSERT_EQ(times.size(), 13u);
  EXPECT_EQ(times[0], 0us) << "the first poll right after the report";
  for (std::size_t i = 2; i < times.size(); ++i) {
    const auto wait = times[i] - times[i - 1];
    EXPECT_GE(wait, times[i - 1] - times[i - 2]) << i;
    EXPECT_LE(wait, 1ms) << i;
  }
  EXPECT_GT(times[1], 0us);
  EXPECT_LT(times[1], 1ms);
  EXPECT_EQ(times[12] - times[11], 1ms);

  // A device that stays busy still has its five seconds, in polls of 1 ms.
  Calculator().Faults().silentAfter = 0;
  const auto busy = PollTimes(0x30);
  EXPECT_GE(busy.back(), 5s);
  EXPECT_LT(busy.back(), 5001ms);
  EXPECT_GT(busy.size(), 4900u);
}

TEST_F(PollTimesTest, TheWindowsPaceWaitsTenMillisecondsBeforeEveryPoll) {
  using namespace std::chrono_literals;
  Calculator().Faults().busyReplies = 3;
  EXPECT_EQ(PollTimes(0x31), (std::vector<std::chrono::microseconds>{10ms, 20ms, 30ms, 40ms}));
  Calculator().Faults().silentAfter = 0;
  const auto busy = PollTimes(0x30);
  ASSERT_EQ(busy.size(), 501u);
  EXPECT_EQ(busy.back(), 5010ms);
}

// A pacer that would let the device stay busy for ever still ends at 30 s.
class EndlessBudgetPacer final : public testing::VirtualPacer {
 public:
  [[nodiscard]] bool PollLimitReached(int, Clock::duration) const override { return false; }
};

TEST_F(SendCommandTest, TheTimeBoundHoldsWhateverThePacersPollBudget) {
  using namespace std::chrono_literals;
  EndlessBudgetPacer endless;
  const HidCP::Channel patient{api, endless, link};
  Calculator().Faults().silentAfter = 0;
  link.OutReport[1] = 0x31;
  EXPECT_THROW(HidCP::SendCommand(patient), DeviceFailure);
  EXPECT_EQ(endless.ticks, 3000);  // 30 s of 10 ms polls
  EXPECT_EQ(endless.clock->Now(), 30s);
}

TEST_F(SendCommandTest, AStopAskedDuringATransactionEndsTheNextBeforeItsReport) {
  std::atomic<bool> stop = false;
  StoppablePacer stoppable(pacer, stop);
  const HidCP::Channel channel{api, stoppable, link};
  Calculator().Faults().busyReplies = 5;
  pacer.onTick = [&](long tick) {
    if (tick == 2) stop = true;
  };
  link.OutReport[0] = 1;
  link.OutReport[63] = 0xFF;
  link.OutReport[1] = 0x31;
  HidCP::SendCommand(channel);  // asked in its second poll, it still runs to the reply
  EXPECT_EQ(link.InReport[63], 0x00);
  EXPECT_EQ(pacer.ticks, 6);
  link.OutReport[1] = 0x30;
  EXPECT_THROW(HidCP::SendCommand(channel), TransactionsStopped);
  EXPECT_EQ(Calculator().Commands().size(), 1u);
  EXPECT_EQ(pacer.ticks, 6);
}

TEST_F(SendCommandTest, FailingReadsCountAsBusyUntilTheTimeout) {
  Calculator().Faults().unplugAfter = 0;
  const auto failure = Failure(0x31);
  ASSERT_TRUE(failure);
  EXPECT_STREQ(failure->what(), "PC Timeout Error! ");
  EXPECT_EQ(pacer.ticks, 501);
}

TEST_F(SendCommandTest, ParametersACommandDoesNotSetKeepTheirEarlierValues) {
  for (std::size_t i = 2; i < 63; ++i) link.OutReport[i] = static_cast<std::uint8_t>(i);
  Send(0x31);
  Send(0x30);
  const auto& sent = Calculator().Commands();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].Code(), 0x30);
  for (std::size_t i = 2; i < 63; ++i) EXPECT_EQ(sent[1].report[i], i);
  EXPECT_EQ(sent[1].report[0], 1);
  EXPECT_EQ(sent[1].report[63], 0xFF);
}

TEST_F(SendCommandTest, ReadsPresetReportIdAndBusyStatus) {
  link.InReport.fill(0x42);
  Calculator().Faults().unplugAfter = 1;
  EXPECT_FALSE(Failure(0x31));
  // The device is gone now: a read that fails leaves the preset bytes.
  EXPECT_TRUE(Failure(0x30));
  EXPECT_EQ(link.InReport[0], 1);
  EXPECT_EQ(link.InReport[63], 0x99);
}

TEST_F(SendCommandTest, CloseDeviceClosesEachHandleAtMostOnce) {
  link.ReadHandle =
      api.CreateFileA(bus.interfaces.back().path, kGenericReadWrite, kFileShareReadWrite, nullptr,
                      kOpenExisting, kFileFlagOverlapped);
  const int open = api.OpenHandleCount();
  HidCP::CloseDevice(api, link);
  EXPECT_EQ(api.OpenHandleCount(), open - 2);
  EXPECT_FALSE(HidCP::IsOpen(link.HIDHandle));
  EXPECT_FALSE(HidCP::IsOpen(link.ReadHandle));
  // A second close, as the window's unload after a download makes, closes nothing.
  Guid guid;
  api.HidD_GetHidGuid(guid);
  HidCP::CloseDevice(api, link);
  EXPECT_EQ(api.LastPlatformError(), 0u);
  EXPECT_EQ(api.OpenHandleCount(), open - 2);
}

TEST(CloseDeviceTest, HandlesNeverOpenedAreLeftAlone) {
  sim::SimBus bus;
  sim::SimHidApi api{bus};
  HidCP::Link link;
  link.ReadHandle = kInvalidHandleValue;
  HidCP::CloseDevice(api, link);
  EXPECT_EQ(api.LastPlatformError(), 0u);
}

}  // namespace
}  // namespace usblink
