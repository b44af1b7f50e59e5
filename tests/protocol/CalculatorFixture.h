#pragma once
// A connected simulated calculator, a recording window and virtual time: what
// the update commands run against in these tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "protocol/HidCP.h"
#include "sim/SimHidApi.h"
#include "support/FakeWindow.h"
#include "support/VirtualPacer.h"

namespace usblink::testing {

// A simulated calculator on a link of its own, on virtual time.
struct LinkedCalculator {
  // Both handles of the link open on the calculator, as discovery leaves them.
  void Open() {
    const std::string& path = bus.interfaces.back().path;
    link.HIDHandle =
        api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr, kOpenExisting, 0);
    link.ReadHandle = api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr,
                                      kOpenExisting, kFileFlagOverlapped);
    ASSERT_TRUE(HidCP::IsOpen(link.HIDHandle));
    ASSERT_TRUE(HidCP::IsOpen(link.ReadHandle));
  }

  bool DeviceOpen() const {
    return HidCP::IsOpen(link.HIDHandle) && HidCP::IsOpen(link.ReadHandle);
  }

  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi api{bus};
  VirtualPacer pacer;
  HidCP::Link link;
  HidCP::Channel channel{api, pacer, link};
};

class CalculatorFixture : public ::testing::Test, protected LinkedCalculator {
 protected:
  void SetUp() override { Open(); }

  sim::SimCalculator& Calculator() { return bus.calculator; }
  const std::vector<sim::ReceivedCommand>& Sent() { return bus.calculator.Commands(); }

  std::vector<std::uint8_t> SentCodes() {
    std::vector<std::uint8_t> codes;
    for (const auto& command : Sent()) codes.push_back(command.Code());
    return codes;
  }

  FakeWindow window;
};

// Bytes 1 to 255 in a pattern that differs from block to block and bank to
// bank, never 0x00 or 0xFF, so neither the end-of-file byte nor an erased byte
// can pass for image data.
inline std::vector<std::uint8_t> PatternBytes(std::size_t size, unsigned seed = 0) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] =
        static_cast<std::uint8_t>(1 + (i * 131 + (i >> 8) * 17 + (i >> 16) * 5 + seed) % 254);
  }
  return bytes;
}

}  // namespace usblink::testing
