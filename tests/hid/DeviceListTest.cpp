#include "hid/DeviceList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingHidApi.h"
#include "sim/SimHidApi.h"

namespace usblink {
namespace {

// The emulation answers from its backend's paths; Windows walks a device
// information set. Both must list the same.
enum class Answer { Emulation, WindowsWalk };

class DeviceListTest : public ::testing::TestWithParam<Answer> {
 protected:
  HidApi& Api() {
    if (GetParam() == Answer::Emulation) return sim;
    return recording;
  }

  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  sim::SimHidApi sim{bus};
  testing::RecordingHidApi recording{sim};
};

TEST_P(DeviceListTest, ListsEveryPresentInterface) {
  bus.interfaces[1].refusal = WinError::AccessDenied;
  const auto listed = Api().PresentInterfaces();

  ASSERT_EQ(listed.size(), 3u);
  for (std::uint32_t index = 0; index < 3; ++index) {
    EXPECT_EQ(listed[index].index, index);
    EXPECT_EQ(listed[index].path, bus.interfaces[index].path);
  }
  EXPECT_EQ(listed[0].ids, (InterfaceIds{bus.interfaces[0].vendorId, bus.interfaces[0].productId}));
  // This user may not open it: the emulating backends list it with the ids
  // the system keeps (Linux: sysfs); Windows lets every user open its HID
  // interfaces, so its walk knows no such list.
  const std::optional<InterfaceIds> systemIds =
      GetParam() == Answer::Emulation
          ? std::optional(InterfaceIds{bus.interfaces[1].vendorId, bus.interfaces[1].productId})
          : std::nullopt;
  EXPECT_EQ(listed[1].ids, systemIds);
  EXPECT_EQ(listed[1].error, WinError::AccessDenied);
  EXPECT_EQ(listed[2].ids, (InterfaceIds{0x04FC, 0x0C77}));
  EXPECT_EQ(listed[2].error, WinError::Success);
  EXPECT_EQ(sim.OpenHandleCount(), 0) << "the set and every interface are closed again";
}

TEST_P(DeviceListTest, AnUnpluggedCalculatorIsNotListed) {
  bus.calculator.Faults().unplugAfter = 0;
  ASSERT_TRUE(bus.calculator.Unplugged());
  EXPECT_EQ(Api().PresentInterfaces().size(), 2u);
}

TEST_P(DeviceListTest, ListsTheStringsEachDeviceHas) {
  bus.interfaces[1].refusal = WinError::AccessDenied;
  const auto listed = Api().PresentInterfaces();

  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].serialNumber, std::nullopt);
  EXPECT_EQ(listed[0].manufacturer, "Logitech");
  EXPECT_EQ(listed[0].product, "USB Keyboard");
  EXPECT_EQ(listed[1].product, std::nullopt) << "what cannot be opened tells nothing";
  EXPECT_EQ(listed[2].serialNumber, "SIM0001");
  EXPECT_EQ(listed[2].manufacturer, "usblink");
  EXPECT_EQ(listed[2].product, "Simulated calculator");
  EXPECT_EQ(sim.OpenHandleCount(), 0);

  // Whatever a device sends, no terminal control reaches the list.
  bus.interfaces[2].product = "fx\x1B]0;owned\x07\n\x7F";
  EXPECT_EQ(Api().PresentInterfaces()[2].product, "fx?]0;owned???");
  bus.interfaces[2].serialNumber = "";
  EXPECT_EQ(Api().PresentInterfaces()[2].serialNumber, std::nullopt) << "an empty string is none";
}

TEST_P(DeviceListTest, TheInterfacesWithIdsAreThePresentCalculatorsInOrder) {
  bus = sim::SimBus::WithCalculators(2, 3);
  bus.Calculator(1).Faults().unplugAfter = 0;
  const auto calculators =
      PresentInterfacesWithIds(Api(), {kCalculatorVendorId, kCalculatorProductId});

  ASSERT_EQ(calculators.size(), 2u);
  EXPECT_EQ(calculators[0].index, 2u);
  EXPECT_EQ(calculators[0].path, bus.interfaces[2].path);
  EXPECT_EQ(calculators[0].serialNumber, "SIM0001");
  EXPECT_EQ(calculators[1].index, 3u);
  EXPECT_EQ(calculators[1].serialNumber, "SIM0003");
  EXPECT_TRUE(PresentInterfacesWithIds(Api(), {0x046D, 0xC077}).size() == 1u) << "the mouse";
}

INSTANTIATE_TEST_SUITE_P(Answers, DeviceListTest,
                         ::testing::Values(Answer::Emulation, Answer::WindowsWalk),
                         [](const auto& info) {
                           return info.param == Answer::Emulation ? "Emulation" : "WindowsWalk";
                         });

// What only Windows' walk does: a set of the present interfaces, each opened
// without access rights.
class WindowsWalkTest : public ::testing::Test {
 protected:
  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  sim::SimHidApi sim{bus};
  testing::RecordingHidApi api{sim};
};

TEST_F(WindowsWalkTest, OpensEveryPresentInterfaceWithoutAccess) {
  EXPECT_EQ(WalkPresentInterfaces(api).size(), 3u);
  EXPECT_EQ(api.classDevsFlags, std::vector<std::uint32_t>{kDigcfPresent | kDigcfDeviceInterface});
  ASSERT_EQ(api.createFileCalls.size(), 3u);
  for (const auto& open : api.createFileCalls) EXPECT_EQ(open.desiredAccess, 0u);
}

// The record grew between the size query and the fetch.
TEST_F(WindowsWalkTest, AnInterfaceWhosePathCannotBeFetchedIsStillListed) {
  api.reportedRequiredSize = 9;
  const auto listed = WalkPresentInterfaces(api);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[2].path, "");
  EXPECT_EQ(listed[2].ids, std::nullopt);
  EXPECT_EQ(listed[2].error, WinError::FileNotFound);
}

}  // namespace
}  // namespace usblink
