// Discovery on the machine's own HID interfaces through the real backend.
// Under Wine these are its two devices of vendor 845E, which never answer to
// the calculator's ids; the walk can still be told to stop at one of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "hid/Discovery.h"
#include "hid/Link.h"
#include "platform/hid/win32/Win32HidApi.h"
#include "platform/hid/win32/WindowsHid.h"
#include "support/FakeWindow.h"

namespace usblink {
namespace {

constexpr std::string_view kEnumerationCaption = "SetupDiEnumDeviceInterfaces";
constexpr std::string_view kInterfaceLine =
    "  DeviceInfoSet for device Find the equipment you need#";
constexpr std::string_view kCloseCaption = "CloseHandle（Close the interface）";
constexpr std::string_view kProductIdLine = "  Product ID: ";
constexpr std::string_view kHandleLine = "  Returned handle: ";

class Win32DiscoveryTest : public ::testing::Test {
 protected:
  // What CloseDevice does when the window closes.
  void TearDown() override {
    HidCP::CloseIfOpen(api, link.HIDHandle);
    HidCP::CloseIfOpen(api, link.ReadHandle);
  }

  [[nodiscard]] long Count(std::string_view line) const {
    return std::ranges::count(window.lines, line);
  }
  [[nodiscard]] long CountStartingWith(std::string_view start) const {
    return std::ranges::count_if(
        window.lines, [start](const std::string& line) { return line.starts_with(start); });
  }
  [[nodiscard]] std::vector<std::string> ValuesOf(std::string_view start) const {
    std::vector<std::string> values;
    for (const auto& line : window.lines) {
      if (line.starts_with(start)) values.push_back(line.substr(start.size()));
    }
    return values;
  }
  [[nodiscard]] std::size_t IndexOf(std::string_view line) const {
    return static_cast<std::size_t>(std::ranges::find(window.lines, line) - window.lines.begin());
  }

  win32::Win32HidApi api;
  testing::FakeWindow window;
  HidCP::Link link;
  Discovery discovery{api, window, link};
};

TEST_F(Win32DiscoveryTest, WalksEveryInterfaceAndFindsNoCalculator) {
  discovery.SetIdTexts("&H04FC", "&H0C77");
  EXPECT_FALSE(discovery.FindTheHid());

  ASSERT_FALSE(window.lines.empty());
  EXPECT_EQ(window.lines.back(), " Not Find USB Link!");
  EXPECT_EQ(window.linkStatus, "USB Link Error!");
  EXPECT_EQ(
      Count(
          "  The GUID number returned by the system： 4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 "),
      1);

  const long interfaces = CountStartingWith(kInterfaceLine);
  EXPECT_GE(interfaces, 1);
  // One more enumeration than interfaces: the one that ends the walk.
  EXPECT_EQ(Count(kEnumerationCaption), interfaces + 1);
  EXPECT_EQ(Count("  HIDD_ATTRIBUTES structure filled without error."), interfaces);
  EXPECT_EQ(Count("  MyDeviceInterfaceDetailData.cbSize: 5"), interfaces);
  EXPECT_EQ(Count(kCloseCaption), interfaces);
  for (const auto& handle : ValuesOf(kHandleLine)) EXPECT_NE(handle, "FFFFFFFFh");

  // Every close succeeded: each block reports the same text as a fresh success.
  const auto closeResult = IndexOf(kCloseCaption) + 1;
  const auto createResult = IndexOf("CreateFile（Designation code）") + 1;
  ASSERT_LT(closeResult, window.lines.size());
  EXPECT_EQ(window.lines[closeResult], window.lines[createResult]);
}

TEST_F(Win32DiscoveryTest, StopsAtTheInterfaceWithTheTypedIds) {
  discovery.SetIdTexts("&H04FC", "&H0C77");
  discovery.FindTheHid();
  const auto vendors = ValuesOf("  Vendor ID: ");
  const auto products = ValuesOf(kProductIdLine);
  ASSERT_FALSE(products.empty());

  window.ClearLines();
  discovery.SetIdTexts("&H" + vendors.back(), "&H" + products.back());
  ASSERT_TRUE(discovery.FindTheHid());

  EXPECT_EQ(window.linkStatus, "USB Link OK!");
  EXPECT_EQ(Count("  The equipment has been found！"), 1);
  EXPECT_EQ(Count(kEnumerationCaption), static_cast<long>(products.size()));
  EXPECT_EQ(Count(kCloseCaption), static_cast<long>(products.size()) - 1);
  EXPECT_TRUE(HidCP::IsOpen(link.HIDHandle));
  EXPECT_TRUE(HidCP::IsOpen(link.ReadHandle));

  // The capability report's 31 lines, then the overlapped handle and its event.
  const auto report = IndexOf("HidD_GetPreparsedData") - 1;
  const auto readHandle = IndexOf("CreateFile, ReadHandle") - 1;
  EXPECT_EQ(readHandle - report, 31U);
  EXPECT_EQ(Count("  Usage Page: 0"), 0);
  ASSERT_LT(readHandle + 3, window.lines.size());
  EXPECT_TRUE(window.lines[readHandle + 3].starts_with(kHandleLine));
  EXPECT_NE(window.lines[readHandle + 3], "  Returned handle: FFFFFFFFh");
  EXPECT_EQ(window.lines[window.lines.size() - 2], "CreateEvent");
}

// Closing the device and the window leaves no handle behind, after a walk
// without a match and after one with.
TEST_F(Win32DiscoveryTest, EveryHandleOfAWalkIsClosed) {
  DWORD before = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
  {
    HidCP::Link otherLink;
    Discovery other{api, window, otherLink};
    other.SetIdTexts("&H04FC", "&H0C77");
    other.FindTheHid();
    const auto products = ValuesOf(kProductIdLine);
    other.SetIdTexts("&H" + ValuesOf("  Vendor ID: ").back(), "&H" + products.back());
    ASSERT_TRUE(other.FindTheHid());
    HidCP::CloseIfOpen(api, otherLink.HIDHandle);
    HidCP::CloseIfOpen(api, otherLink.ReadHandle);
  }
  DWORD after = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace usblink
