#include "protocol/CheckLink.h"

#include <gtest/gtest.h>

#include <string>

#include "CalculatorFixture.h"
#include "protocol/HidCP.h"

namespace usblink {
namespace {

using testing::Message;

class CheckLinkTest : public testing::CalculatorFixture {
 protected:
  bool Check() { return HidCP::CheckLink(channel, window); }
};

TEST_F(CheckLinkTest, AGoodDevicePassesWithTheThreeQueriesInOrder) {
  EXPECT_TRUE(Check());
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x31, 0x30, 0x01}));
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(CheckLinkTest, AnyFlashAnswerButFFPasses) {
  Calculator().Faults().flashId = 0x00;
  EXPECT_TRUE(Check());
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(CheckLinkTest, AWrongIdentityIsRefusedBeforeTheOtherQueries) {
  const std::string wrongIdentities[] = {
      "vqhdl307e trm815c",
      std::string("VQHDL307E\0TRM815C", 17),
      "VQHDL307E TRM815D",
  };
  for (const auto& identity : wrongIdentities) {
    Calculator().Faults().identity = identity;
    window.messages.clear();
    const auto sentBefore = Sent().size();
    EXPECT_FALSE(Check()) << identity;
    EXPECT_EQ(Sent().size(), sentBefore + 1) << identity;
    EXPECT_EQ(window.messages, (std::vector<Message>{{"NoVQHDL307E TRM815C", "Error"}}));
  }
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(CheckLinkTest, AKeyTypeDeviceIsRefusedBeforeTheFlashQuery) {
  Calculator().Faults().type = 1;
  EXPECT_FALSE(Check());
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x31, 0x30}));
  EXPECT_EQ(window.messages, (std::vector<Message>{{"No UsbType_Norm,Is UsbType_Key", "Error"}}));
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(CheckLinkTest, AnUnrecognisedFlashIsRefused) {
  Calculator().Faults().flashId = 0xFF;
  EXPECT_FALSE(Check());
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x31, 0x30, 0x01}));
  EXPECT_EQ(window.messages,
            (std::vector<Message>{{"NorFlash Error that is not recognized！", "Error"}}));
  EXPECT_TRUE(DeviceOpen());
}

TEST_F(CheckLinkTest, QueriesLeaveEarlierParameterBytesAlone) {
  for (std::size_t i = 2; i < 63; ++i) link.OutReport[i] = static_cast<std::uint8_t>(0xA0 ^ i);
  EXPECT_TRUE(Check());
  for (const auto& command : Sent()) {
    EXPECT_EQ(command.report[0], 1);
    EXPECT_EQ(command.report[63], 0xFF);
    for (std::size_t i = 2; i < 63; ++i) EXPECT_EQ(command.report[i], 0xA0 ^ i);
  }
}

TEST_F(CheckLinkTest, ADeviceErrorEndsTheHandshakeThroughDeviceFailure) {
  Calculator().Faults().statuses.push_back({0x30, 1, 0x33});
  try {
    Check();
    ADD_FAILURE() << "the handshake went on";
  } catch (const DeviceFailure& failure) {
    EXPECT_STREQ(failure.what(), "Type  Error(USB Norm Or USB KEY)! ");
  }
  EXPECT_EQ(SentCodes(), (std::vector<std::uint8_t>{0x31, 0x30}));
  EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace usblink
