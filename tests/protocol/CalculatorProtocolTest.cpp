#include "protocol/CalculatorProtocol.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/hid/CalculatorIds.h"

namespace usblink {
namespace {

TEST(CalculatorProtocolCodec, BlockNumberTravelsLowByteFirst) {
  EXPECT_EQ(BlockNumberBytes(255), (std::array<std::uint8_t, 2>{0xFF, 0x00}));
  EXPECT_EQ(BlockNumberBytes(256), (std::array<std::uint8_t, 2>{0x00, 0x01}));
  EXPECT_EQ(BlockNumber(std::array<std::uint8_t, 2>{0xFF, 0x03}), 1023);
  EXPECT_EQ(BlockNumber(std::array<std::uint8_t, 2>{0x00, 0x04}), 1024);
  for (int block = 0; block <= 0xFFFF; ++block) {
    ASSERT_EQ(BlockNumber(BlockNumberBytes(block)), block);
  }
}

TEST(CalculatorProtocolCodec, ChecksumTakesThreeBytesLowFirst) {
  EXPECT_EQ(Checksum(std::array<std::uint8_t, 3>{0x01, 0x02, 0x03}), 0x030201u);
  EXPECT_EQ(Checksum(std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}), 0xFFFFFFu);
  EXPECT_EQ(ChecksumBytes(0xFF0000), (std::array<std::uint8_t, 3>{0x00, 0x00, 0xFF}));
  for (const std::uint32_t sum : {0x0u, 0xFFu, 0x100u, 0xFFFFu, 0x10000u, 0xFF0000u, 0xFF0001u}) {
    EXPECT_EQ(Checksum(ChecksumBytes(sum)), sum) << sum;
  }
}

TEST(CalculatorProtocolCodec, CommitNamesTheBanksAfterTwoFixedBytes) {
  EXPECT_EQ(CommitParameters(4), (std::array<std::uint8_t, 3>{0x00, 0x0C, 0x04}));
}

TEST(CalculatorIdText, FillsEveryPlaceholderInItsCase) {
  constexpr auto text = WithCalculatorIds("VVVV:PPPP vvvv pppp");
  EXPECT_EQ(std::string_view(text.data()), "04FC:0C77 04fc 0c77");
  // Right before the end, and text without placeholders, stay exact.
  EXPECT_EQ(std::string_view(WithCalculatorIds("id pppp").data()), "id 0c77");
  EXPECT_EQ(std::string_view(WithCalculatorIds("VVV PPP").data()), "VVV PPP");
}

}  // namespace
}  // namespace usblink
