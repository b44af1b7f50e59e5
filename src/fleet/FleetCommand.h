#pragma once
// The command line over several calculators: --all runs the device command
// on every calculator present at once, the station downloads to each one as
// it appears. Each calculator's session is the one a run for one calculator
// makes, with a view, backend and pacer of its own; the run tells of all of
// them in a summary.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "fleet/CalculatorSession.h"
#include "fleet/FleetRun.h"
#include "fleet/Request.h"
#include "fleet/SessionPort.h"
#include "platform/hid/HidApi.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Pacer.h"

namespace usblink {

struct FleetContext {
  const Options& options;
  const std::optional<FirmwareImage>& image;  // loaded once, before any calculator is touched
  SessionPort& view;                          // the run's own
  Pacer& pacer;                               // the run's clock
  const Environment& environment;
  // A backend for one more thread.
  std::function<std::unique_ptr<HidApi>()> backend;
  // A calculator's session view, telling as much as `detail` asks.
  std::function<std::unique_ptr<SessionPort>(const FleetMember&, Detail)> sessionView;
  // The sessions' discoveries take turns.
  std::mutex& discoveryTurn;
};

// --all: `api` is the run's thread's backend, which finds the calculators.
RunEnd RunAll(const FleetContext& context, HidApi& api);

// station FILE: `api` watches for calculators on the run's thread.
RunEnd RunStationCommand(const FleetContext& context, HidApi& api);

}  // namespace usblink
