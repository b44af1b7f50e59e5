#include "cli/SimulatedBus.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "cli/ExitStatus.h"

namespace usblink::cli {

namespace {

std::variant<std::vector<std::uint8_t>, SetupError> ReadWholeFile(const std::filesystem::path& file,
                                                                  std::size_t limit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return SetupError{kExitFileError, "Cannot open \"" + file.string() +
                                          "\": " + std::generic_category().message(errno)};
  }
  std::vector<std::uint8_t> bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (in.bad()) return SetupError{kExitFileError, "Cannot read \"" + file.string() + "\""};
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

std::variant<std::unique_ptr<sim::SimBus>, SetupError> BuildSimulatedBus(
    const SimulationOptions& options, std::function<void(std::chrono::milliseconds)> sleep) {
  auto bus =
      std::make_unique<sim::SimBus>(sim::SimBus::WithCalculator(options.others, options.faults));
  sim::SimInterface& calculator = bus->interfaces.back();
  if (options.ids) {
    calculator.vendorId = options.ids->first;
    calculator.productId = options.ids->second;
  }
  if (options.descriptorFile) {
    auto read = ReadWholeFile(*options.descriptorFile, 4096);
    if (auto* error = std::get_if<SetupError>(&read)) return *error;
    calculator.reportDescriptor = std::get<std::vector<std::uint8_t>>(read);
  }
  if (options.flashFile) {
    auto read = ReadWholeFile(*options.flashFile, sim::kFlashSize);
    if (auto* error = std::get_if<SetupError>(&read)) return *error;
    const auto& bytes = std::get<std::vector<std::uint8_t>>(read);
    std::copy(bytes.begin(), bytes.end(), bus->calculator.Flash().begin());
  }
  if (options.slowRead.count() > 0) {
    bus->beforeInputReport = [sleep = std::move(sleep), duration = options.slowRead] {
      sleep(duration);
    };
  }
  if (options.absent) bus->interfaces.pop_back();
  if (options.lockedInterface) {
    const auto index = static_cast<std::size_t>(*options.lockedInterface);
    if (index >= bus->interfaces.size()) {
      return SetupError{kExitUsage, "--sim-locked " + std::to_string(index) +
                                        ": the bus has only " +
                                        std::to_string(bus->interfaces.size()) + " interfaces"};
    }
    bus->interfaces[index].openable = false;
  }
  return bus;
}

bool SaveSimulatedFlash(const sim::SimBus& bus, const std::filesystem::path& file,
                        std::string& error) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  const auto flash = bus.calculator.Flash();
  out.write(reinterpret_cast<const char*>(flash.data()),
            static_cast<std::streamsize>(flash.size()));
  out.close();
  if (out) return true;
  error = "Cannot write \"" + file.string() + "\"";
  return false;
}

}  // namespace usblink::cli
