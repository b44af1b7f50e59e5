// Two calculators, each on a link of its own, driven at the same time.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "CalculatorFixture.h"
#include "protocol/HidCP.h"

namespace usblink {
namespace {

struct Station : testing::LinkedCalculator {
  explicit Station(std::string identity) {
    bus.calculator.Faults().identity = std::move(identity);
    Open();
  }
  std::string ReplyIdentity() const {
    return {link.InReport.begin() + 2, link.InReport.begin() + 19};
  }
};

TEST(LinkTest, TwoLinksInterleavedKeepTheirOwnBuffersAndHandles) {
  Station first("FIRST  CALCULATOR");
  Station second("SECOND CALCULATOR");
  first.link.OutReport.fill(0xA1);
  second.link.OutReport.fill(0xB2);
  // The second calculator's whole transaction runs while the first one's polls.
  first.bus.calculator.Faults().busyReplies = 2;
  first.pacer.onTick = [&](long tick) {
    if (tick == 1) HidCP::IssueCommand(second.channel, 0x31);
  };

  HidCP::IssueCommand(first.channel, 0x31);

  EXPECT_EQ(first.ReplyIdentity(), "FIRST  CALCULATOR");
  EXPECT_EQ(second.ReplyIdentity(), "SECOND CALCULATOR");
  EXPECT_EQ(first.pacer.ticks, 3);
  EXPECT_EQ(second.pacer.ticks, 1);
  // Each calculator got its own command, with its own link's leftover bytes.
  for (const auto& [station, leftover] : {std::pair{&first, 0xA1}, std::pair{&second, 0xB2}}) {
    const auto& sent = station->bus.calculator.Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].report[1], 0x31);
    EXPECT_EQ(sent[0].report[2], leftover);
  }

  // Closing one calculator leaves the other open and answering.
  HidCP::CloseDevice(first.api, first.link);
  EXPECT_FALSE(HidCP::IsOpen(first.link.HIDHandle) || HidCP::IsOpen(first.link.ReadHandle));
  EXPECT_TRUE(second.DeviceOpen());
  HidCP::IssueCommand(second.channel, 0x31);
  EXPECT_EQ(second.ReplyIdentity(), "SECOND CALCULATOR");
  EXPECT_EQ(second.bus.calculator.Commands().size(), 2u);
}

}  // namespace
}  // namespace usblink
