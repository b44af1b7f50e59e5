#pragma once
// The simulated calculator and its bus, set up from the --sim-* options.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "fleet/Request.h"
#include "sim/SimBus.h"

namespace usblink {

struct SetupError {
  int exitStatus;
  std::string message;
};

// `sleep` passes the time of each slow read; `now` is the run's clock, on
// which the calculators arrive and reset. With --sim-keep each calculator
// starts with the flash its file kept, where that file exists.
std::variant<std::unique_ptr<sim::SimBus>, SetupError> BuildSimulatedBus(
    const SimulationOptions& options, std::function<void(std::chrono::milliseconds)> sleep,
    sim::SimBus::Clock now);

// Writes the simulated flash to `file`, or with several calculators
// calculator n's to FILE.n, each whole or not at all; false when it cannot.
bool SaveSimulatedFlash(const sim::SimBus& bus, const std::filesystem::path& file,
                        std::string& error);

}  // namespace usblink
