#pragma once
// The simulated bus, a keyboard and a mouse before the calculator, and the
// emulated Windows calls on it.

#include <gtest/gtest.h>

#include <string_view>

#include "sim/SimHidApi.h"

namespace usblink::testing {

class SimHidApiFixture : public ::testing::Test {
 protected:
  Handle Open(std::string_view path) {
    return api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr, kOpenExisting, 0);
  }
  Handle OpenCalculator() { return Open(bus.interfaces.back().path); }

  void UnplugCalculator() {
    bus.calculator.Faults().unplugAfter = 0;
    ASSERT_TRUE(bus.calculator.Unplugged());
  }

  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  sim::SimHidApi api{bus};
};

}  // namespace usblink::testing
