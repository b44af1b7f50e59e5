#pragma once
// A connected simulated calculator, a recording window and virtual time: what
// the update commands run against in these tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sim/SimHidApi.h"
#include "protocol/HidCP.h"
#include "support/FakeWindow.h"
#include "support/VirtualPacer.h"

namespace usblink::testing {

class CalculatorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    HidCP::OutReport = {};
    HidCP::InReport = {};
    const std::string& path = bus.interfaces.back().path;
    HidCP::HIDHandle =
        api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr, kOpenExisting, 0);
    readHandle = api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr,
                                 kOpenExisting, kFileFlagOverlapped);
    ASSERT_TRUE(HidCP::IsOpen(HidCP::HIDHandle));
    ASSERT_TRUE(HidCP::IsOpen(readHandle));
  }
  void TearDown() override { HidCP::HIDHandle = kNoHandle; }

  sim::SimCalculator& Calculator() { return bus.calculator; }
  const std::vector<sim::ReceivedCommand>& Sent() { return bus.calculator.Commands(); }

  std::vector<std::uint8_t> SentCodes() {
    std::vector<std::uint8_t> codes;
    for (const auto& command : Sent()) codes.push_back(command.Code());
    return codes;
  }

  bool DeviceOpen() const { return HidCP::IsOpen(HidCP::HIDHandle) && HidCP::IsOpen(readHandle); }

  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi api{bus};
  VirtualPacer pacer;
  HidCP::Channel channel{api, pacer};
  FakeWindow window;
  Handle readHandle = kNoHandle;
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
