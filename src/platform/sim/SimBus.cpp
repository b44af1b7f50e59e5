#include "platform/sim/SimBus.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <utility>

namespace usblink::sim {

namespace {

constexpr std::string_view kInterfaceClassSuffix = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// The boot keyboard and boot mouse of the HID class definition.
constexpr std::array<std::uint8_t, 63> kKeyboardDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
constexpr std::array<std::uint8_t, 50> kMouseDescriptor = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
    0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

std::string InterfacePath(std::uint16_t vendorId, std::uint16_t productId,
                          std::string_view instance) {
  std::array<char, 32> ids{};
  std::snprintf(ids.data(), ids.size(), "vid_%04x&pid_%04x", vendorId, productId);
  return std::string("\\\\?\\hid#") + ids.data() + "#" + std::string(instance) +
         std::string(kInterfaceClassSuffix);
}

bool SamePath(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::vector<std::uint8_t> CalculatorReportDescriptor() {
  return {
      0x06, 0x00, 0xFF,  // usage page FF00
      0x09, 0x01,        // usage 1
      0xA1, 0x01,        // collection (application)
      0x85, 0x01,        //   report id 1
      0x75, 0x08,        //   report size 8
      0x15, 0x00,        //   logical minimum 0
      0x26, 0xFF, 0x00,  //   logical maximum 255
      0x95, 0x3F,        //   report count 63
      0x09, 0x01,        //   usage 1
      0x81, 0x02,        //   input (data, variable, absolute)
      0x09, 0x01,        //   usage 1
      0x91, 0x02,        //   output (data, variable, absolute)
      0xC0,              // end collection
  };
}

SimBus SimBus::WithCalculator(int others, CalculatorFaults faults) {
  SimBus bus{{}, SimCalculator(std::move(faults)), {}};
  for (int index = 0; index < others; ++index) bus.interfaces.push_back(OtherInterface(index));
  bus.interfaces.push_back(CalculatorInterface());
  return bus;
}

SimInterface SimBus::OtherInterface(int index) {
  const bool keyboard = index % 2 == 0;
  SimInterface other;
  other.vendorId = 0x046D;
  other.productId = keyboard ? 0xC31C : 0xC077;
  other.versionNumber = keyboard ? 0x6400 : 0x7200;
  std::array<char, 24> instance{};
  std::snprintf(instance.data(), instance.size(), "7&2a8e4b1c&0&%04d", index);
  other.path = InterfacePath(other.vendorId, other.productId, instance.data());
  if (keyboard) {
    other.reportDescriptor.assign(kKeyboardDescriptor.begin(), kKeyboardDescriptor.end());
  } else {
    other.reportDescriptor.assign(kMouseDescriptor.begin(), kMouseDescriptor.end());
  }
  return other;
}

SimInterface SimBus::CalculatorInterface() {
  SimInterface calculator;
  calculator.vendorId = kCalculatorVendorId;
  calculator.productId = kCalculatorProductId;
  calculator.versionNumber = 0x0100;
  calculator.path = InterfacePath(kCalculatorVendorId, kCalculatorProductId, "6&1a2b3c4d&0&0000");
  calculator.reportDescriptor = CalculatorReportDescriptor();
  calculator.isCalculator = true;
  return calculator;
}

bool SimBus::IsPresent(const SimInterface& entry) const {
  return !(entry.isCalculator && calculator.Unplugged());
}

const SimInterface* SimBus::Find(std::string_view path) const {
  const auto found = std::ranges::find_if(
      interfaces, [path](const SimInterface& entry) { return SamePath(entry.path, path); });
  return found == interfaces.end() ? nullptr : &*found;
}

}  // namespace usblink::sim
