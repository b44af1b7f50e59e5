#include "hid/NumberText.h"

#include <gtest/gtest.h>

#include "platform/hid/HidApi.h"

namespace usblink {
namespace {

TEST(NumberTextTest, HexIsUpperCaseWithoutLeadingZeros) {
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(0x04FC), "4FC");
  EXPECT_EQ(HexText(0xFE0100), "FE0100");
  EXPECT_EQ(HexText(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(NumberTextTest, HandlesShowTheirLow32Bits) {
  EXPECT_EQ(HandleText(kInvalidHandleValue), "FFFFFFFF");
  EXPECT_EQ(HandleText(0x1'0000'01F4), "1F4");
}

}  // namespace
}  // namespace usblink
