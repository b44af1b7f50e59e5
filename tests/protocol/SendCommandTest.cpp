#include <gtest/gtest.h>

#include <algorithm>

#include "CalculatorFixture.h"
#include "protocol/DeviceFailure.h"
#include "protocol/HidCP.h"
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
