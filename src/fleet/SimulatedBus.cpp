#include "fleet/SimulatedBus.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fleet/RunFiles.h"
#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"

namespace usblink {

namespace {

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                std::size_t limit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return FileFailure(file, "open", {errno, std::generic_category()});
  std::vector<std::uint8_t> bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (in.bad()) return Failure{kExitFileError, "Cannot read " + Quoted(file)};
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

Result<void> SaveFlash(std::span<const std::uint8_t> flash, const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(flash.data()),
            static_cast<std::streamsize>(flash.size()));
  out.close();
  if (out) return {};
  return Failure{kExitFileError, "Cannot write " + Quoted(file)};
}

// "--sim-locked 9: the bus has only 4 interfaces"
Failure DoesNotFit(const std::string& option, std::size_t number, std::size_t count,
                   std::string_view things) {
  return {kExitUsage, option + " " + std::to_string(number) + ": the bus has only " +
                          std::to_string(count) + " " + std::string(things)};
}

}  // namespace

Result<std::unique_ptr<sim::SimBus>> BuildSimulatedBus(
    const SimulationOptions& options, std::function<void(std::chrono::milliseconds)> sleep,
    sim::SimBus::Clock now) {
  const int count = options.calculators;
  if (options.faultOn && *options.faultOn > count) {
    return DoesNotFit("--sim-fault-on", static_cast<std::size_t>(*options.faultOn),
                      static_cast<std::size_t>(count), count == 1 ? "calculator" : "calculators");
  }
  if (options.serials.size() > static_cast<std::size_t>(count)) {
    return Failure{kExitUsage, "--sim-serials names " + std::to_string(options.serials.size()) +
                                   " serial numbers: the bus has only " + std::to_string(count) +
                                   (count == 1 ? " calculator" : " calculators")};
  }
  auto bus = std::make_unique<sim::SimBus>(sim::SimBus::WithCalculators(
      options.others, count, options.faultOn ? sim::CalculatorFaults{} : options.faults));
  if (options.faultOn)
    bus->Calculator(static_cast<std::size_t>(*options.faultOn - 1)).Faults() = options.faults;
  std::optional<std::vector<std::uint8_t>> descriptor;
  if (options.descriptorFile) {
    auto read = ReadWholeFile(*options.descriptorFile, 4096);
    if (!read) return read.Error();
    descriptor = *std::move(read);
  }
  for (sim::SimInterface& calculator : bus->interfaces) {
    if (!calculator.isCalculator) continue;
    if (options.ids) {
      calculator.vendorId = options.ids->first;
      calculator.productId = options.ids->second;
    }
    if (descriptor) calculator.reportDescriptor = *descriptor;
    if (calculator.calculatorNumber < options.serials.size())
      calculator.serialNumber = options.serials[calculator.calculatorNumber];
  }
  if (options.flashFile) {
    const auto read = ReadWholeFile(*options.flashFile, sim::kFlashSize);
    if (!read) return read.Error();
    bus->LoadFlash(*read);
  }
  if (options.slowRead.count() > 0) {
    bus->beforeInputReport = [sleep = std::move(sleep), duration = options.slowRead] {
      sleep(duration);
    };
  }
  if (options.arriveEvery) {
    const std::chrono::duration<double> every(*options.arriveEvery);
    for (int number = 1; number < count; ++number) {
      bus->SetArrival(static_cast<std::size_t>(number),
                      std::chrono::duration_cast<sim::BusTime>(every * number));
    }
  }
  bus->SetClock(std::move(now));
  if (options.absent)
    std::erase_if(bus->interfaces,
                  [](const sim::SimInterface& entry) { return entry.isCalculator; });
  if (options.lockedInterface) {
    const auto index = static_cast<std::size_t>(*options.lockedInterface);
    if (index >= bus->interfaces.size()) {
      return DoesNotFit("--sim-locked", index, bus->interfaces.size(), "interfaces");
    }
    bus->interfaces[index].openable = false;
  }
  return bus;
}

Result<void> SaveSimulatedFlash(const sim::SimBus& bus, const std::filesystem::path& file) {
  const std::size_t count = bus.CalculatorCount();
  if (count == 1) return SaveFlash(bus.calculator.Flash(), file);
  Result<void> saved;
  for (std::size_t number = 0; number < count; ++number) {
    auto one =
        SaveFlash(bus.Calculator(number).Flash(), NumberedFile(file, static_cast<int>(number + 1)));
    if (!one) saved = std::move(one);
  }
  return saved;
}

}  // namespace usblink
