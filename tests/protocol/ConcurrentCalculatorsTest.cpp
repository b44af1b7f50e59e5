// Several calculators updated at once, one thread each, through one bus.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "CalculatorFixture.h"
#include "hid/DeviceList.h"
#include "hid/Discovery.h"
#include "protocol/CheckLink.h"
#include "protocol/DownloadImage.h"
#include "sim/SimHidApi.h"

namespace usblink {
namespace {

using namespace std::chrono_literals;

// What one calculator's session came to.
struct Session {
  bool found = false;
  bool linked = false;
  HidCP::DownloadResult result = HidCP::DownloadResult::ImageRefused;
  int openHandles = -1;
};

// One thread's session: a backend, window, pacer and link of its own.
Session Update(sim::SimBus& bus, const std::string& serialNumber,
               const std::vector<std::uint8_t>& image) {
  Session session;
  sim::SimHidApi api(bus);
  {
    testing::FakeWindow window;
    testing::VirtualPacer pacer;
    HidCP::Link link;
    Discovery discovery(api, window, link);
    discovery.SetIdTexts("&H04FC", "&H0C77");
    discovery.SetDevice(DeviceSelector::FromText(serialNumber));
    session.found = discovery.FindTheHid();
    if (!session.found) return session;
    const HidCP::Channel channel{api, pacer, link};
    session.linked = HidCP::CheckLink(channel, window);
    HidCP::DownloadState state;
    session.result = HidCP::DownloadImage(channel, window, FirmwareImage::FromBytes(image),
                                          "FIRMWARE.UD", state);
    HidCP::CloseDevice(api, link);
  }
  session.openHandles = api.OpenHandleCount();
  return session;
}

// A third thread keeps walking the bus meanwhile, as a watch for arrivals
// does, and so asks after the state of calculators in the middle of their
// updates. The clock stands still, so each calculator stays away once it
// committed.
TEST(ConcurrentCalculatorsTest, TwoThreadsDownloadToTwoCalculatorsThroughOneBus) {
  // The unplug knob, set far off, makes every presence check read the answer count.
  sim::CalculatorFaults farUnplug;
  farUnplug.unplugAfter = 1'000'000;
  sim::SimBus bus = sim::SimBus::WithCalculators(1, 3, farUnplug);
  bus.SetClock([] { return sim::BusTime{0}; });
  bus.LoadFlash(std::vector<std::uint8_t>(kFlashSize, 0x5A));
  const std::array images{testing::PatternBytes(2 * kBankSize + 700, 1),
                          testing::PatternBytes(3 * kBankSize - 100, 2)};

  std::array<Session, 2> sessions;
  std::atomic<int> running = 2;
  std::size_t fewestCalculators = 3;
  {
    std::jthread watch([&] {
      sim::SimHidApi api(bus);
      // Once more after both ended.
      for (bool last = false; !last;) {
        last = running == 0;
        const auto calculators =
            PresentInterfacesWithIds(api, {kCalculatorVendorId, kCalculatorProductId});
        fewestCalculators = std::min(fewestCalculators, calculators.size());
      }
    });
    std::jthread first([&] {
      sessions[0] = Update(bus, "SIM0001", images[0]);
      --running;
    });
    std::jthread third([&] {
      sessions[1] = Update(bus, "SIM0003", images[1]);
      --running;
    });
  }

  for (std::size_t n = 0; n < 2; ++n) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(sessions[n].found);
    EXPECT_TRUE(sessions[n].linked);
    EXPECT_EQ(sessions[n].result, HidCP::DownloadResult::Committed);
    EXPECT_EQ(sessions[n].openHandles, 0);
  }
  const auto& first = bus.Calculator(0);
  EXPECT_EQ(first.CommittedBanks(), 3);
  EXPECT_TRUE(std::ranges::equal(first.Flash().first(images[0].size()), images[0]));
  EXPECT_EQ(first.Flash()[images[0].size() + 300], kErasedByte);
  EXPECT_EQ(bus.Calculator(2).CommittedBanks(), 3);
  EXPECT_TRUE(std::ranges::equal(bus.Calculator(2).Flash().first(images[1].size()), images[1]));
  EXPECT_EQ(bus.Calculator(2).Flash()[3 * kBankSize], 0x5A) << "bank 3 was never written";

  EXPECT_TRUE(bus.Calculator(1).Commands().empty()) << "the one in between was left alone";
  EXPECT_EQ(bus.Calculator(1).Flash()[0], 0x5A);
  EXPECT_TRUE(bus.IsPresent(bus.interfaces[2]));
  EXPECT_FALSE(bus.IsPresent(bus.interfaces[1])) << "away for its reset";
  EXPECT_FALSE(bus.IsPresent(bus.interfaces[3]));
  EXPECT_EQ(fewestCalculators, 1u) << "the last walk finds only the one left alone";
}

}  // namespace
}  // namespace usblink
