#include "fleet/SimulatedBus.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fleet/RunFiles.h"
#include "platform/os/InputRead.h"
#include "platform/os/StagedFile.h"
#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"

namespace usblink {

namespace {

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                std::size_t limit, StopSignals& signals) {
  auto read = ReadInput(file, limit, signals);
  if (read.error == std::errc::interrupted) {
    return Failure{kExitInterrupted, "Stopped while " + Quoted(file) + " was read."};
  }
  if (read.error) return FileFailure(file, read.failedAction, read.error);
  return std::move(read.bytes);
}

// Calculator `number`'s file (from 0) of the flash files FILE: FILE itself
// on a bus of one calculator, FILE.n of several.
std::filesystem::path FlashFileOf(const std::filesystem::path& file, const sim::SimBus& bus,
                                  std::size_t number) {
  return bus.CalculatorCount() == 1 ? file : NumberedFile(file, static_cast<int>(number + 1));
}

// Written whole: to a new file beside `file` that replaces it only once
// every byte is on the disk. A device or a pipe takes the bytes directly.
Result<void> SaveFlash(std::span<const std::uint8_t> flash, const std::filesystem::path& file) {
  std::error_code reason;
  auto staged = StagedFile::Create(file, reason);
  if (!staged && reason == std::errc::not_supported) {
    const StdioFile stream = OpenStdioFile(file, "wb");
    if (stream && WriteThrough(stream.get(), flash)) return {};
    return FileFailure(file, "write", LastSystemError());
  }
  if (!staged) return FileFailure(file, "create", reason);
  // A failed write fails the commit.
  WriteThrough(staged->Stream(), flash);
  reason = staged->Commit();
  if (!reason) return {};
  std::string consequence = "; it is left as it was";
  std::error_code ignored;
  if (const auto kept = staged->KeepPartial(ignored)) {
    consequence += ", and the flash is kept in " + Quoted(kept->path);
  }
  return FileFailure(file, "write", reason, consequence);
}

// --sim-keep: each calculator starts with the flash its file kept, where there
// is one; a file of another length is no kept flash, and is not replaced.
Result<void> LoadKeptFlash(sim::SimBus& bus, const std::filesystem::path& file,
                           StopSignals& signals) {
  for (std::size_t number = 0; number < bus.CalculatorCount(); ++number) {
    const auto kept = FlashFileOf(file, bus, number);
    std::error_code error;
    if (!std::filesystem::exists(kept, error) && !error) continue;
    const auto read = ReadWholeFile(kept, sim::kFlashSize + 1, signals);
    if (!read) return read.Error();
    if (read->size() != sim::kFlashSize) {
      return Failure{kExitFileError, Quoted(kept) + " is no flash that --sim-keep kept: it holds " +
                                         std::to_string(read->size()) + " bytes, not " +
                                         std::to_string(sim::kFlashSize) +
                                         ". Nothing was run, and it is left as it was: give "
                                         "--sim-keep a new file, or one it wrote."};
    }
    std::ranges::copy(*read, bus.Calculator(number).Flash().begin());
  }
  return {};
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
    sim::SimBus::Clock now, StopSignals& signals) {
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
    auto read = ReadWholeFile(*options.descriptorFile, 4096, signals);
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
    const auto read = ReadWholeFile(*options.flashFile, sim::kFlashSize, signals);
    if (!read) return read.Error();
    bus->LoadFlash(*read);
  }
  if (options.keepFile) {
    if (const auto loaded = LoadKeptFlash(*bus, *options.keepFile, signals); !loaded)
      return loaded.Error();
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
    bus->interfaces[index].refusal = WinError::AccessDenied;
  }
  return bus;
}

Result<void> SaveSimulatedFlash(const sim::SimBus& bus, const std::filesystem::path& file) {
  Result<void> saved;
  for (std::size_t number = 0; number < bus.CalculatorCount(); ++number) {
    auto one = SaveFlash(bus.Calculator(number).Flash(), FlashFileOf(file, bus, number));
    if (!one) saved = std::move(one);
  }
  return saved;
}

}  // namespace usblink
