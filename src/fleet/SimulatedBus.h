#pragma once
// The simulated calculator and its bus, set up from the --sim-* options.

#include <chrono>
#include <functional>
#include <memory>

#include "fleet/Request.h"
#include "platform/os/StopSignals.h"
#include "protocol/Result.h"
#include "sim/SimBus.h"

namespace usblink {

// `sleep` passes the time of each slow read; `now` is the run's clock, on
// which the calculators arrive and reset; a stop ends the reads of its files. With --sim-keep each
// calculator starts with the flash its file kept, where that file exists. A usage error for options
// that do not fit the bus, a file error for a file it cannot read or a --sim-keep file that holds
// no kept flash.
Result<std::unique_ptr<sim::SimBus>> BuildSimulatedBus(
    const SimulationOptions& options, std::function<void(std::chrono::milliseconds)> sleep,
    sim::SimBus::Clock now, StopSignals& signals);

// Writes the simulated flash to `file`, or with several calculators
// calculator n's to FILE.n, each whole or not at all; a file error for the
// last that could not be written.
Result<void> SaveSimulatedFlash(const sim::SimBus& bus, const std::filesystem::path& file);

}  // namespace usblink
