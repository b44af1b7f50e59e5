#pragma once
// The simulated calculator and its bus, set up from the --sim-* options.

#include <chrono>
#include <functional>
#include <memory>

#include "fleet/Request.h"
#include "protocol/Result.h"
#include "sim/SimBus.h"

namespace usblink {

// `sleep` passes the time of each slow read; `now` is the run's clock, on
// which the calculators arrive and reset. A usage error for options that do
// not fit the bus, a file error for a file it cannot read.
Result<std::unique_ptr<sim::SimBus>> BuildSimulatedBus(
    const SimulationOptions& options, std::function<void(std::chrono::milliseconds)> sleep,
    sim::SimBus::Clock now);

// Writes the simulated flash to `file`, or with several calculators
// calculator n's to FILE.n; a file error for the last that could not be written.
Result<void> SaveSimulatedFlash(const sim::SimBus& bus, const std::filesystem::path& file);

}  // namespace usblink
