#pragma once
// An in-memory HID bus: the interfaces the platform would enumerate, in order.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/SimCalculator.h"

namespace usblink::sim {

inline constexpr std::uint16_t kCalculatorVendorId = 0x04FC;
inline constexpr std::uint16_t kCalculatorProductId = 0x0C77;

struct SimInterface {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
  std::vector<std::uint8_t> reportDescriptor;
  bool openable = true;
  bool isCalculator = false;  // reports reach the bus's calculator
};

// The calculator's own report descriptor: vendor page FF00, usage 1, report
// id 1, 63 bytes in and 63 bytes out.
std::vector<std::uint8_t> CalculatorReportDescriptor();

struct SimBus {
  std::vector<SimInterface> interfaces;
  SimCalculator calculator;

  // A bus with `others` unrelated interfaces before the calculator.
  static SimBus WithCalculator(int others = 0, CalculatorFaults faults = {});
  static SimInterface OtherInterface(int index);
  static SimInterface CalculatorInterface();
};

}  // namespace usblink::sim
