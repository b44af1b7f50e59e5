#include "sim/SimBus.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/hid/HidApi.h"

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

// The calculators' own strings; the serial number is each one's own.
constexpr std::string_view kCalculatorManufacturer = "usblink";
constexpr std::string_view kCalculatorProduct = "Simulated calculator";

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

struct SimBus::Timeline {
  struct Comings {
    BusTime arrival{0};
    std::optional<BusTime> resetSince;  // when it left for its latest reset
    int commitsSeen = 0;                // answered commits that started a reset
    std::uint64_t returns = 0;
  };

  [[nodiscard]] BusTime Now() const { return clock ? clock() : BusTime{0}; }

  std::vector<Comings> calculators;
  Clock clock;
  std::mutex lock;
};

SimBus::SimBus() : SimBus(1, {}) {}

SimBus::SimBus(std::size_t calculators, const CalculatorFaults& faults)
    : calculator(faults), timeline_(std::make_unique<Timeline>()) {
  const std::size_t count = std::max<std::size_t>(calculators, 1);
  laterCalculators_.assign(count - 1, SimCalculator(faults));
  timeline_->calculators.resize(count);
}

SimBus::SimBus(SimBus&&) noexcept = default;
SimBus& SimBus::operator=(SimBus&&) noexcept = default;
SimBus::~SimBus() = default;

SimBus SimBus::WithCalculator(int others, CalculatorFaults faults) {
  return WithCalculators(others, 1, std::move(faults));
}

SimBus SimBus::WithCalculators(int others, int count, CalculatorFaults faults) {
  SimBus bus(static_cast<std::size_t>(std::max(count, 0)), faults);
  for (int index = 0; index < others; ++index) bus.interfaces.push_back(OtherInterface(index));
  for (int number = 0; number < count; ++number) {
    bus.interfaces.push_back(CalculatorInterface(static_cast<std::size_t>(number)));
  }
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
  other.manufacturer = "Logitech";
  other.product = keyboard ? "USB Keyboard" : "USB Optical Mouse";
  if (keyboard) {
    other.reportDescriptor.assign(kKeyboardDescriptor.begin(), kKeyboardDescriptor.end());
  } else {
    other.reportDescriptor.assign(kMouseDescriptor.begin(), kMouseDescriptor.end());
  }
  return other;
}

SimInterface SimBus::CalculatorInterface(std::size_t number) {
  SimInterface calculator;
  calculator.vendorId = kCalculatorVendorId;
  calculator.productId = kCalculatorProductId;
  calculator.versionNumber = 0x0100;
  std::array<char, 24> instance{};
  std::snprintf(instance.data(), instance.size(), "6&1a2b3c4d&0&%04zu", number);
  calculator.path = InterfacePath(kCalculatorVendorId, kCalculatorProductId, instance.data());
  calculator.reportDescriptor = CalculatorReportDescriptor();
  calculator.isCalculator = true;
  calculator.calculatorNumber = number;
  calculator.serialNumber = CalculatorSerialNumber(number);
  calculator.manufacturer = kCalculatorManufacturer;
  calculator.product = kCalculatorProduct;
  return calculator;
}

std::string SimBus::CalculatorSerialNumber(std::size_t number) {
  std::array<char, 24> serial{};
  std::snprintf(serial.data(), serial.size(), "SIM%04zu", number + 1);
  return serial.data();
}

std::size_t SimBus::CalculatorCount() const { return timeline_->calculators.size(); }

SimCalculator& SimBus::Calculator(std::size_t number) {
  return number == 0 ? calculator : laterCalculators_.at(number - 1);
}

const SimCalculator& SimBus::Calculator(std::size_t number) const {
  return number == 0 ? calculator : laterCalculators_.at(number - 1);
}

void SimBus::LoadFlash(std::span<const std::uint8_t> content) {
  const auto kept = content.first(std::min(content.size(), kFlashSize));
  for (std::size_t number = 0; number < CalculatorCount(); ++number) {
    std::ranges::copy(kept, Calculator(number).Flash().begin());
  }
}

void SimBus::SetArrival(std::size_t number, BusTime at) {
  timeline_->calculators.at(number).arrival = at;
}

void SimBus::SetClock(Clock clock) { timeline_->clock = std::move(clock); }

bool SimBus::IsPresent(const SimInterface& entry) const {
  const std::scoped_lock guard(timeline_->lock);
  return PresentNow(entry);
}

const SimInterface* SimBus::Find(std::string_view path) const {
  const auto found = std::ranges::find_if(
      interfaces, [path](const SimInterface& entry) { return SameDevicePath(entry.path, path); });
  return found == interfaces.end() ? nullptr : &*found;
}

std::vector<std::string> SimBus::Paths(bool presentOnly) const {
  const std::scoped_lock guard(timeline_->lock);
  std::vector<std::string> paths;
  for (const auto& entry : interfaces) {
    if (!presentOnly || PresentNow(entry)) paths.push_back(entry.path);
  }
  return paths;
}

std::optional<SimBus::Presence> SimBus::PresentAt(std::string_view path) const {
  const std::scoped_lock guard(timeline_->lock);
  const auto found = std::ranges::find_if(interfaces, [&](const SimInterface& entry) {
    return SameDevicePath(entry.path, path) && PresentNow(entry);
  });
  if (found == interfaces.end()) return std::nullopt;
  const SimInterface* entry = &*found;
  const std::uint64_t returns =
      entry->isCalculator ? timeline_->calculators.at(entry->calculatorNumber).returns : 0;
  return Presence{entry, returns};
}

void SimBus::DeliverOutputReport(const SimInterface& entry,
                                 std::span<const std::uint8_t, kReportLength> report) {
  const std::scoped_lock guard(timeline_->lock);
  Calculator(entry.calculatorNumber).ReceiveOutputReport(report);
}

// The reset begins once the host has the commit's answer.
void SimBus::FetchInputReport(const SimInterface& entry,
                              std::span<std::uint8_t, kReportLength> report) {
  if (beforeInputReport) beforeInputReport();
  const std::scoped_lock guard(timeline_->lock);
  SimCalculator& engine = Calculator(entry.calculatorNumber);
  engine.ProduceInputReport(report);
  auto& comings = timeline_->calculators.at(entry.calculatorNumber);
  if (engine.AnsweredCommits() == comings.commitsSeen) return;
  comings.commitsSeen = engine.AnsweredCommits();
  if (!timeline_->clock) return;
  comings.resetSince = timeline_->Now();
  ++comings.returns;
}

// The caller holds the lock.
bool SimBus::PresentNow(const SimInterface& entry) const {
  if (!entry.isCalculator) return true;
  const auto& comings = timeline_->calculators.at(entry.calculatorNumber);
  const BusTime now = timeline_->Now();
  const bool resetting = comings.resetSince && now < *comings.resetSince + kResetTime;
  return !Calculator(entry.calculatorNumber).Unplugged() && now >= comings.arrival && !resetting;
}

}  // namespace usblink::sim
