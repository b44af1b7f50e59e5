#include "hid/DeviceList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "DiscoveryTestSupport.h"

namespace usblink {
namespace {

using testing::Block;
using testing::Concat;
using testing::Lines;

const Lines kNotFound = Concat({
    Block("SetupDiEnumDeviceInterfaces", "No more data is available."),
    Block("DestroyDeviceInfoList（Releasing resources）"),
    {" Not Find USB Link!"},
});

// A keyboard, then three calculators.
class DeviceSelectionTest : public testing::DiscoveryFixture {
 protected:
  void SetUp() override {
    DiscoveryFixture::SetUp();
    bus = sim::SimBus::WithCalculators(1, 3);
  }

  // The log from the first line after `line`'s last occurrence on.
  [[nodiscard]] Lines After(std::string_view line) const {
    const auto found = std::find(window.lines.rbegin(), window.lines.rend(), line);
    return Lines(found.base(), window.lines.end());
  }

  [[nodiscard]] bool FoundCalculator(std::size_t number) const {
    return discovery.State().DeviceFound && HidCP::IsOpen(link.HIDHandle) &&
           discovery.State().DevicePath == bus.interfaces.at(number + 1).path;
  }

  [[nodiscard]] long CloseCount() const { return Count("CloseHandle（Close the interface）"); }
};

TEST_F(DeviceSelectionTest, ASerialNumberIsAskedOnlyOfInterfacesWithTheIds) {
  discovery.SetDevice(DeviceSelector::FromText("SIM0002"));

  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_TRUE(FoundCalculator(1));
  EXPECT_EQ(window.linkStatus, "USB Link OK!");
  EXPECT_EQ(api.stringCalls, (std::vector<std::string>(2, "HidD_GetSerialNumberString")));
  EXPECT_EQ(CloseCount(), 2) << "the keyboard and calculator 0";
  EXPECT_EQ(Count("  Serial number: SIM0001"), 1);
  const Lines lastPass = After("  Product ID: C77");
  EXPECT_EQ(Lines(lastPass.begin(), lastPass.begin() + 5),
            Concat({Block("HidD_GetSerialNumberString"),
                    {"  Serial number: SIM0002", "  The equipment has been found！"}}));
}

TEST_F(DeviceSelectionTest, APathSelectsWithoutRegardToCaseAndWithoutStringCalls) {
  std::string path = bus.interfaces[3].path;
  std::ranges::transform(path, path.begin(), [](unsigned char c) { return std::toupper(c); });
  discovery.SetDevice(DeviceSelector::FromText(path));

  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_TRUE(FoundCalculator(2));
  EXPECT_TRUE(api.stringCalls.empty());
  EXPECT_EQ(CloseCount(), 3);
  EXPECT_EQ(Count("HidD_GetSerialNumberString"), 0);
}

TEST_F(DeviceSelectionTest, WithoutANamedDeviceTheFirstCalculatorIsTakenAndNoStringAsked) {
  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_TRUE(FoundCalculator(0));
  EXPECT_TRUE(api.stringCalls.empty());
  EXPECT_EQ(CloseCount(), 1);
}

TEST_F(DeviceSelectionTest, ANamedDeviceThatIsAbsentEndsAsNothingFound) {
  for (const std::string named : {"SIM0009", R"(\\?\hid#vid_04fc&pid_0c77#absent)"}) {
    SCOPED_TRACE(named);
    window.ClearLines();
    discovery.SetDevice(DeviceSelector::FromText(named));

    EXPECT_FALSE(discovery.FindTheHid());

    EXPECT_FALSE(discovery.State().DeviceFound);
    EXPECT_FALSE(HidCP::IsOpen(link.HIDHandle));
    EXPECT_FALSE(HidCP::IsOpen(link.ReadHandle));
    EXPECT_EQ(CloseCount(), 4) << "every interface was examined and closed";
    EXPECT_EQ(window.linkStatus, "USB Link Error!");
    ASSERT_GE(window.lines.size(), kNotFound.size());
    EXPECT_EQ(Lines(window.lines.end() - static_cast<long>(kNotFound.size()), window.lines.end()),
              kNotFound);
  }
  EXPECT_EQ(sim.OpenHandleCount(), 0);
}

TEST_F(DeviceSelectionTest, ACalculatorWithoutSerialNumberIsNotTheNamedOne) {
  bus.interfaces[1].serialNumber.reset();
  bus.interfaces[2].serialNumber = "SIM0001";
  discovery.SetDevice(DeviceSelector::FromText("SIM0001"));

  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_TRUE(FoundCalculator(1));
  const Lines refused = Concat(
      {Block("HidD_GetSerialNumberString", "A device attached to the system is not functioning."),
       Block("CloseHandle（Close the interface）")});
  EXPECT_NE(std::search(window.lines.begin(), window.lines.end(), refused.begin(), refused.end()),
            window.lines.end());
}

TEST(DeviceSelectorTest, PathsHoldASeparatorAndCompareWithoutCaseSerialNumbersExactly) {
  HidInterface entry;
  entry.path = "/dev/hidraw3";
  entry.serialNumber = "ab12";
  EXPECT_TRUE(DeviceSelector::FromText("/DEV/HIDRAW3").MatchesPath(entry.path));
  EXPECT_TRUE(DeviceSelector::FromText("ab12").MatchesSerialNumber(entry.serialNumber));
  EXPECT_FALSE(DeviceSelector::FromText("AB12").MatchesSerialNumber(entry.serialNumber));
  EXPECT_EQ(DeviceSelector::FromText(R"(\\?\hid#vid_04fc)").by, DeviceSelector::By::Path);
}

}  // namespace
}  // namespace usblink
