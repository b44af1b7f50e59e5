#pragma once
// An in-memory HID bus: the interfaces the platform would enumerate, in order.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/SimCalculator.h"

namespace usblink::sim {

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

// Every interface marked as the calculator talks to the one calculator, so a
// bus with two of them has two paths to the same device.
struct SimBus {
  std::vector<SimInterface> interfaces;
  SimCalculator calculator;
  // Runs before the calculator answers each input-report read: the time a
  // slow device's reads take (a sleep, or virtual time in tests).
  std::function<void()> beforeInputReport;

  // A bus with `others` unrelated interfaces before the calculator.
  static SimBus WithCalculator(int others = 0, CalculatorFaults faults = {});
  // Alternately a keyboard and a mouse, each with a path of its own.
  static SimInterface OtherInterface(int index);
  static SimInterface CalculatorInterface();

  // Gone once its calculator is unplugged.
  [[nodiscard]] bool IsPresent(const SimInterface& entry) const;
  // The first interface with that path, present or not; paths compare
  // without regard to case, as Windows' do.
  [[nodiscard]] const SimInterface* Find(std::string_view path) const;
};

}  // namespace usblink::sim
