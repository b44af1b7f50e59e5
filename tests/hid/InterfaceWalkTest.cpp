#include "hid/InterfaceWalk.h"

#include <gtest/gtest.h>

#include <vector>

#include "RecordingHidApi.h"
#include "platform/sim/SimHidApi.h"

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
