// The backend on a Simplified Chinese desktop, where the system's "A" calls
// answer in code page 936 (GBK): all it hands on is UTF-8, and the paths it
// hands on still open their devices. Needs LC_ALL=zh_CN.UTF-8 under Wine,
// whose Chinese texts are its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "hid/ApiLog.h"
#include "hid/Discovery.h"
#include "hid/Link.h"
#include "platform/hid/win32/NativeRecords.h"
#include "platform/hid/win32/Win32HidApi.h"
#include "platform/hid/win32/WindowsHid.h"
#include "platform/os/win32/CodePageText.h"
#include "support/FakeWindow.h"

namespace usblink::win32 {
namespace {

constexpr std::string_view kSuccessGbk = "\xB3\xC9\xB9\xA6\xA1\xA3";  // 成功。
constexpr std::string_view kTestGbk = "\xB2\xE2\xCA\xD4";             // 测试

bool IsUtf8(std::string_view text) {
  return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

std::string Repeated(std::string_view text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

class SimplifiedChineseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936U) << "run with LC_ALL=zh_CN.UTF-8 in a prefix made in it";
  }
};

TEST_F(SimplifiedChineseTest, SystemTextsReadAsTheSystemsChineseOnesWithoutTheLineBreak) {
  Win32HidApi api;
  testing::FakeWindow window;
  ApiLog log{api, window};
  EXPECT_EQ(log.GetSystemErrorText(WinError::Success), "成功。");
  EXPECT_EQ(log.GetSystemErrorText(WinError::InsufficientBuffer), "缓冲区不足。");
  EXPECT_EQ(log.GetSystemErrorText(WinError::NoMoreItems), "没有更多可用数据。");
  EXPECT_EQ(log.GetSystemErrorText(0xDEADBEEF), "");
}

// The system's buffer holds 127 bytes of GBK; the caller's the same of UTF-8,
// where each of these characters takes three bytes instead of two.
TEST_F(SimplifiedChineseTest, AnAnsiTextIsHandedOnInUtf8OnlyWhereItFitsInThatForm) {
  std::array<char, 129> text{};
  const auto buffer = std::span(text).first(128);
  EXPECT_EQ(StoreAsUtf8(std::string(kSuccessGbk) + "\r\n", buffer), 11U);
  EXPECT_EQ(std::string(text.data()), "成功。\r\n");

  EXPECT_EQ(StoreAsUtf8(Repeated(kSuccessGbk.substr(0, 2), 41) + "\r\n", buffer), 125U);
  EXPECT_EQ(std::string(text.data()), Repeated("成", 41) + "\r\n");
  EXPECT_EQ(StoreAsUtf8(Repeated(kSuccessGbk.substr(0, 2), 42) + "\r\n", buffer), 0U);
  EXPECT_EQ(text[0], '\0');
}

TEST_F(SimplifiedChineseTest, BytesThatAreNoGbkStillGiveUtf8) {
  // A lead byte without its trail, and one the code page leaves undefined.
  for (const std::string_view bytes : {"\xB3", "a\xFF"}) {
    const std::string text = Utf8FromAnsi(bytes);
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(IsUtf8(text));
  }
}

TEST_F(SimplifiedChineseTest, AGbkDevicePathReachesTheCallersRecordInUtf8) {
  std::vector<std::uint8_t> native(kDetailPathOffset, 8);
  const std::string gbkPath = R"(\\?\hid#)" + std::string(kTestGbk);
  native.insert(native.end(), gbkPath.begin(), gbkPath.end());
  native.insert(native.end(), {0, 0xAA});
  const std::string path = R"(\\?\hid#测试)";
  const std::size_t needed = kDetailPathOffset + path.size() + 1;

  // A record sized for the GBK path is too small and keeps its zeros.
  std::vector<std::uint8_t> ansiSized(kDetailPathOffset + gbkPath.size() + 1, 0);
  EXPECT_EQ(CopyDevicePath(native, ansiSized), needed);
  EXPECT_TRUE(std::ranges::all_of(ansiSized, [](std::uint8_t byte) { return byte == 0; }));

  std::vector<std::uint8_t> detail(needed, 0xEE);
  EXPECT_EQ(CopyDevicePath(native, detail), needed);
  EXPECT_EQ(std::string(detail.begin() + kDetailPathOffset, detail.end() - 1), path);
  EXPECT_EQ(detail.back(), 0);
  EXPECT_EQ(detail.front(), 0xEE);
}

// Two walks: one that finds nothing, one told the ids of Wine's last device,
// which it opens by the path it logged. The thread starts as a fresh one does,
// without an error code left by the tests before.
TEST_F(SimplifiedChineseTest, EveryLineOfTheWalksIsUtf8AndThePathsOpenTheirDevices) {
  SetLastError(ERROR_SUCCESS);
  Win32HidApi api;
  testing::FakeWindow window;
  HidCP::Link link;
  Discovery discovery{api, window, link};
  discovery.SetIdTexts("&H04FC", "&H0C77");
  EXPECT_FALSE(discovery.FindTheHid());
  const auto guid = std::ranges::find(window.lines, "GetHidGuid");
  ASSERT_LT(guid + 1, window.lines.end());
  EXPECT_EQ(guid[1], "  Result = 成功。");

  std::string vendor;
  std::string product;
  for (const auto& line : window.lines) {
    if (line.starts_with("  Vendor ID: ")) vendor = line.substr(13);
    if (line.starts_with("  Product ID: ")) product = line.substr(14);
  }
  discovery.SetIdTexts("&H" + vendor, "&H" + product);
  EXPECT_TRUE(discovery.FindTheHid());
  EXPECT_EQ(window.linkStatus, "USB Link OK!");
  HidCP::CloseIfOpen(api, link.HIDHandle);
  HidCP::CloseIfOpen(api, link.ReadHandle);

  for (const auto& line : window.lines) EXPECT_TRUE(IsUtf8(line)) << line;
}

}  // namespace
}  // namespace usblink::win32
