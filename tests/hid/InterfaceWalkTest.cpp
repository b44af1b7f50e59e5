#include "hid/InterfaceWalk.h"

#include <gtest/gtest.h>

#include <vector>

#include "RecordingHidApi.h"
#include "sim/SimHidApi.h"

namespace usblink {
namespace {

class InterfaceWalkTest : public ::testing::Test {
 protected:
  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  sim::SimHidApi sim{bus};
  testing::RecordingHidApi api{sim};
  InterfaceWalk walk{api};
};

TEST_F(InterfaceWalkTest, ListsEveryPresentInterfaceOpenedWithoutAccess) {
  bus.interfaces[1].openable = false;
  const auto listed = walk.List();

  ASSERT_EQ(listed.size(), 3u);
  for (std::uint32_t index = 0; index < 3; ++index) {
    EXPECT_EQ(listed[index].index, index);
    EXPECT_EQ(listed[index].path, bus.interfaces[index].path);
  }
  EXPECT_EQ(listed[0].ids, (InterfaceIds{bus.interfaces[0].vendorId, bus.interfaces[0].productId}));
  EXPECT_EQ(listed[1].ids, std::nullopt);
  EXPECT_EQ(listed[1].error, WinError::AccessDenied);
  EXPECT_EQ(listed[2].ids, (InterfaceIds{0x04FC, 0x0C77}));
  EXPECT_EQ(listed[2].error, WinError::Success);

  EXPECT_EQ(api.classDevsFlags, std::vector<std::uint32_t>{kDigcfPresent | kDigcfDeviceInterface});
  ASSERT_EQ(api.createFileCalls.size(), 3u);
  for (const auto& open : api.createFileCalls) EXPECT_EQ(open.desiredAccess, 0u);
  EXPECT_EQ(sim.OpenHandleCount(), 0) << "the set and every interface are closed again";
}

TEST_F(InterfaceWalkTest, AnUnpluggedCalculatorIsNotListed) {
  bus.calculator.Faults().unplugAfter = 0;
  ASSERT_TRUE(bus.calculator.Unplugged());
  EXPECT_EQ(walk.List().size(), 2u);
}

TEST_F(InterfaceWalkTest, ListsTheStringsEachDeviceHas) {
  bus.interfaces[1].openable = false;
  const auto listed = walk.List();

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
  EXPECT_EQ(walk.List()[2].product, "fx?]0;owned???");
  bus.interfaces[2].serialNumber = "";
  EXPECT_EQ(walk.List()[2].serialNumber, std::nullopt) << "an empty string is none";
}

TEST_F(InterfaceWalkTest, ListWithIdsGivesThePresentCalculatorsInOrder) {
  bus = sim::SimBus::WithCalculators(2, 3);
  bus.Calculator(1).Faults().unplugAfter = 0;
  const auto calculators = walk.ListWithIds({kCalculatorVendorId, kCalculatorProductId});

  ASSERT_EQ(calculators.size(), 2u);
  EXPECT_EQ(calculators[0].index, 2u);
  EXPECT_EQ(calculators[0].path, bus.interfaces[2].path);
  EXPECT_EQ(calculators[0].serialNumber, "SIM0001");
  EXPECT_EQ(calculators[1].index, 3u);
  EXPECT_EQ(calculators[1].serialNumber, "SIM0003");
  EXPECT_TRUE(walk.ListWithIds({0x046D, 0xC077}).size() == 1u) << "the mouse";
}

// The record grew between the size query and the fetch.
TEST_F(InterfaceWalkTest, AnInterfaceWhosePathCannotBeFetchedIsStillListed) {
  api.reportedRequiredSize = 9;
  const auto listed = walk.List();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[2].path, "");
  EXPECT_EQ(listed[2].ids, std::nullopt);
  EXPECT_EQ(listed[2].error, WinError::FileNotFound);
}

}  // namespace
}  // namespace usblink
