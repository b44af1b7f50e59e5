#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"

namespace usblink {
namespace {

using testing::Block;
using testing::Lines;

class RepeatedDiscoveryTest : public testing::DiscoveryFixture {};

TEST_F(RepeatedDiscoveryTest, SecondMatchReusesReadEventAndStillLogsCreateEvent) {
  ASSERT_TRUE(discovery.FindTheHid());
  const Handle event = discovery.State().ReadEvent;
  // The handshake is refused: the device stays open and the user links again.
  window.ClearLines();

  ASSERT_TRUE(discovery.FindTheHid());

  EXPECT_EQ(discovery.State().ReadEvent, event);
  EXPECT_EQ(discovery.State().ReadOverlapped.hEvent, event);
  EXPECT_EQ(api.createEventCalls.size(), 1u);
  const Lines tail(window.lines.end() - 3, window.lines.end());
  EXPECT_EQ(tail, Block("CreateEvent"));
}

TEST_F(RepeatedDiscoveryTest, LeftoverHandlesAreClosedSilentlyBeforeTheNextWalk) {
  ASSERT_TRUE(discovery.FindTheHid());
  const Handle firstDevice = link.HIDHandle;
  const Handle firstRead = link.ReadHandle;
  window.ClearLines();

  ASSERT_TRUE(discovery.FindTheHid());

  // Closing the earlier handles writes nothing: the walk starts as always.
  EXPECT_EQ(Lines(window.lines.begin(), window.lines.begin() + 3), Block("GetHidGuid"));
  EXPECT_NE(link.HIDHandle, firstDevice);
  EXPECT_NE(link.ReadHandle, firstRead);
  // The device, the overlapped handle and the event; nothing of the first walk.
  EXPECT_EQ(sim.OpenHandleCount(), 3);
}

TEST_F(RepeatedDiscoveryTest, NoHandleLeaksAcrossRepeatedWalks) {
  {
    HidCP::Link ownLink;
    Discovery ownDiscovery{api, window, ownLink};
    ownDiscovery.SetIdTexts("&H04FC", "&H0C77");
    for (int walk = 0; walk < 3; ++walk) {
      ASSERT_TRUE(ownDiscovery.FindTheHid());
      EXPECT_EQ(sim.OpenHandleCount(), 3) << walk;
    }
    // The calculator leaves the bus: the walk finds nothing and the earlier
    // handles are closed; only the event is left.
    bus.interfaces.clear();
    EXPECT_FALSE(ownDiscovery.FindTheHid());
    EXPECT_EQ(sim.OpenHandleCount(), 1);
    EXPECT_FALSE(HidCP::IsOpen(ownLink.HIDHandle));
    EXPECT_FALSE(HidCP::IsOpen(ownLink.ReadHandle));
  }
  // The window is gone, and its event with it.
  EXPECT_EQ(sim.OpenHandleCount(), 0);
  EXPECT_EQ(sim.PreparsedDataCount(), 0);
}

}  // namespace
}  // namespace usblink
