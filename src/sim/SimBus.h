#pragma once
// An in-memory HID bus: the interfaces the platform would enumerate, in order,
// and the calculators behind them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimCalculator.h"

namespace usblink::sim {

struct SimInterface {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
  std::vector<std::uint8_t> reportDescriptor;
  // Success where it opens; else what an open fails with: AccessDenied
  // (this user may not open it: no open at all), SharingViolation (another
  // program holds it), FileNotFound (gone since it was listed). An open that
  // asks for no access reads the attributes and strings of one held or gone,
  // as Windows' does.
  std::uint32_t refusal = 0;
  bool isCalculator = false;         // reports reach the bus's calculator of that number
  std::size_t calculatorNumber = 0;  // from 0, in the order the calculators were set up
  // The device's own strings; none where it has none.
  std::optional<std::string> serialNumber;
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
};

// The calculator's own report descriptor: vendor page FF00, usage 1, report
// id 1, 63 bytes in and 63 bytes out.
std::vector<std::uint8_t> CalculatorReportDescriptor();

// Time on the clock a bus is given, counted from whenever that clock starts.
using BusTime = std::chrono::nanoseconds;

// Every interface marked as a calculator talks to the calculator its number
// names, so a bus with two interfaces of one number has two paths to one device.
//
// Time: on a bus with a clock a calculator appears once the clock reaches its
// arrival time, and it leaves for kResetTime once the answer to a commit has
// been read (its reset), coming back with the same serial number and flash.
// Handles opened before it left stay dead, as after a real reset. A bus
// without a clock knows no time: every calculator is there from the start and
// a commit is followed by no reset.
//
// Threads: set a bus up (interfaces, calculators, faults, arrivals, the clock)
// before the first platform call. From then on any number of threads may use
// it at once, each through a SimHidApi of its own: the platform calls take the
// bus's lock. Reaching a calculator directly (its flash, commands, faults)
// takes no lock, so do that only while no platform call runs.
class SimBus {
 public:
  using Clock = std::function<BusTime()>;
  static constexpr std::chrono::seconds kResetTime{2};

  // No interfaces and one calculator, reached by none.
  SimBus();
  SimBus(SimBus&&) noexcept;
  SimBus& operator=(SimBus&&) noexcept;
  ~SimBus();

  // A bus with `others` unrelated interfaces before the calculator.
  static SimBus WithCalculator(int others = 0, CalculatorFaults faults = {});
  // `others` unrelated interfaces, then `count` calculators, each behind an
  // interface of its own, all starting with the same faults. There is always
  // a calculator 0; with a count of 0 no interface reaches it.
  static SimBus WithCalculators(int others, int count, CalculatorFaults faults = {});
  // Alternately a keyboard and a mouse, each with a path of its own.
  static SimInterface OtherInterface(int index);
  // The interface of calculator `number`: a path and a serial number of its own.
  static SimInterface CalculatorInterface(std::size_t number = 0);
  // "SIM0001" for calculator 0, "SIM0002" for calculator 1, and so on.
  static std::string CalculatorSerialNumber(std::size_t number);

  std::vector<SimInterface> interfaces;
  // Calculator 0.
  SimCalculator calculator;
  // Runs before a calculator answers each input-report read, outside the bus's
  // lock and on the reading thread: the time a slow device's reads take (a
  // sleep, or virtual time in tests).
  std::function<void()> beforeInputReport;

  [[nodiscard]] std::size_t CalculatorCount() const;
  [[nodiscard]] SimCalculator& Calculator(std::size_t number);
  [[nodiscard]] const SimCalculator& Calculator(std::size_t number) const;
  // Copies `content` to the start of every calculator's flash.
  void LoadFlash(std::span<const std::uint8_t> content);
  // Calculator `number` appears once the clock reaches `at`.
  void SetArrival(std::size_t number, BusTime at);
  // Read under the bus's lock, on every thread that makes platform calls.
  void SetClock(Clock clock);

  // Gone before its calculator arrives, during its reset and once it is unplugged.
  [[nodiscard]] bool IsPresent(const SimInterface& entry) const;
  // The first interface with that path, present or not; paths compare
  // without regard to case, as Windows' do.
  [[nodiscard]] const SimInterface* Find(std::string_view path) const;

  // An interface found present, and how often its calculator had come back
  // from a reset by then (0 for other devices). Of interfaces listed at one
  // path, the one present: the next device at a node a device left, as on
  // Linux.
  struct Presence {
    const SimInterface* entry = nullptr;
    std::uint64_t returns = 0;
  };
  // The platform calls' side of the bus; each takes the lock.
  [[nodiscard]] std::vector<std::string> Paths(bool presentOnly) const;
  [[nodiscard]] std::optional<Presence> PresentAt(std::string_view path) const;
  // `entry` is a calculator's interface.
  void DeliverOutputReport(const SimInterface& entry,
                           std::span<const std::uint8_t, kReportLength> report);
  void FetchInputReport(const SimInterface& entry, std::span<std::uint8_t, kReportLength> report);

 private:
  struct Timeline;
  SimBus(std::size_t calculators, const CalculatorFaults& faults);
  [[nodiscard]] bool PresentNow(const SimInterface& entry) const;

  std::vector<SimCalculator> laterCalculators_;  // calculator 1 and on
  // The calculators' comings and goings, the clock and the lock.
  std::unique_ptr<Timeline> timeline_;
};

}  // namespace usblink::sim
