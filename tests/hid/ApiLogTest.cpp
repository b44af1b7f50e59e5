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

}  // namespace
}  // namespace usblink
