#include "hid/ApiLog.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "sim/SimHidApi.h"
#include "support/FakeWindow.h"

namespace usblink {
namespace {

class ApiLogTest : public ::testing::Test {
 protected:
  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi api{bus};
  testing::FakeWindow window;
  ApiLog log{api, window};
};

TEST_F(ApiLogTest, ResultBlockIsBlankCaptionResultAndSelectsItsLastLine) {
  window.AppendLine("earlier");
  Guid guid;
  api.HidD_GetHidGuid(guid);
  log.LogApiResult("GetHidGuid");
  EXPECT_EQ(window.lines,
            (std::vector<std::string>{"earlier", "", "GetHidGuid",
                                      "  Result = The operation completed successfully."}));
  EXPECT_EQ(window.selected, 3u);
}

TEST_F(ApiLogTest, ResultBlockReportsTheErrorOfTheLastCall) {
  api.CloseHandle(0x12345);
  log.LogApiResult("CloseHandle（Close the interface）");
  ASSERT_EQ(window.lines.size(), 3u);
  EXPECT_EQ(window.lines[1], "CloseHandle（Close the interface）");
  EXPECT_EQ(window.lines[2], "  Result = The handle is invalid.");
}

TEST_F(ApiLogTest, SystemTextsDropTheLineBreakAndUnknownCodesGiveNothing) {
  EXPECT_EQ(log.GetSystemErrorText(0), "The operation completed successfully.");
  EXPECT_EQ(log.GetSystemErrorText(122), "The data area passed to a system call is too small.");
  EXPECT_EQ(log.GetSystemErrorText(259), "No more data is available.");
  EXPECT_EQ(log.GetSystemErrorText(0xDEAD), "");
}

TEST_F(ApiLogTest, TextLookupLeavesTheReportedCodeAlone) {
  api.CloseHandle(0x12345);
  log.LogApiResult("first");
  log.LogApiResult("second");
  EXPECT_EQ(window.lines.back(), "  Result = The handle is invalid.");
}

TEST(FormatByteDumpTest, EveryByteIsTwoDigitsAndABlank) {
  EXPECT_EQ(FormatByteDump({}), "");
  const std::array<std::uint8_t, 1> five{5};
  EXPECT_EQ(FormatByteDump(five), "05 ");
  const std::array<std::uint8_t, 4> mixed{0x00, 0x0F, 0x10, 0xFF};
  EXPECT_EQ(FormatByteDump(mixed), "00 0F 10 FF ");
  EXPECT_EQ(FormatByteDump(kHidClassGuid.Data4), "88 CB 00 11 11 00 00 30 ");
}

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

TEST(IdTextTest, FieldBecomesPrefixAndTrimmedText) {
  EXPECT_EQ(IdTextFromField("04FC"), "&H04FC");
  EXPECT_EQ(IdTextFromField(" 4FC "), "&H4FC");
  EXPECT_EQ(IdTextFromField("  "), "&H");
  EXPECT_EQ(IdTextFromField(""), "&H");
}

TEST(IdTextTest, OneToFourHexDigitsInAnyCaseGiveTheSixteenBitPattern) {
  EXPECT_EQ(IdTextValue("&H4FC"), 0x04FC);
  EXPECT_EQ(IdTextValue("&H04fc"), 0x04FC);
  EXPECT_EQ(IdTextValue("&H0"), 0);
  EXPECT_EQ(IdTextValue("&HFFFF"), 0xFFFF);
  EXPECT_EQ(IdTextValue("&H8000"), 0x8000);
}

TEST(IdTextTest, TextsWithoutOneToFourHexDigitsHaveNoValue) {
  for (const char* text : {"", "&H", "4FC", "&h4FC", "&H10000", "&H04FC0", "&HXYZ", "&H4FG",
                           "&H 4FC", "&H4FC ", "&H-1", "&H+1", "&H0x1"}) {
    EXPECT_EQ(IdTextValue(text), std::nullopt) << text;
  }
}

TEST(GuidTextTest, DataOneToThreeWithoutLeadingZerosThenTheByteDump) {
  EXPECT_EQ(GuidText(kHidClassGuid), "4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 ");
  const Guid small{0x00000A0B, 0x0001, 0x0000, {0, 1, 2, 3, 0xA, 0xB, 0x10, 0xFF}};
  EXPECT_EQ(GuidText(small), "A0B-1-0-00 01 02 03 0A 0B 10 FF ");
}

}  // namespace
}  // namespace usblink
