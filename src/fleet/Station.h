#pragma once
// The station: waits for calculators and updates each one as it appears,
// several at once. A calculator is taken once a run: one that comes back
// after its update (its reset), with the same serial number, or at the same
// path where it has none, is left alone, and its return is told; so is one
// without a serial number at the path of one taken before, and since the
// station cannot tell it from that one, it tells that it skips it.
// Calculators present at once with one serial number are told apart by
// their paths. The first Ctrl-C takes no more calculators and lets the
// running updates finish; their sessions stop between two transactions at
// the second. An unattended station may end once nothing has happened for
// a while, so that it does not update whatever is plugged in hours later.

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "fleet/FleetRun.h"
#include "platform/hid/HidApi.h"
#include "platform/os/StopSignals.h"

namespace usblink {

struct StationSettings {
  std::optional<int> count;  // end once this many calculators were updated
  // End once no calculator has arrived and no update has run for this long.
  std::optional<std::chrono::milliseconds> idle{};
  std::chrono::milliseconds lookEvery{250};
};

struct StationPorts {
  // The calculators present now, in list order.
  std::function<std::vector<HidInterface>()> present;
  // The wait between two looks.
  std::function<void(std::chrono::milliseconds)> sleep;
  // A calculator arrived: its update begins.
  std::function<void(const FleetMember&)> arrived;
  // One calculator's update, on a thread of its own.
  MemberSession update;
  // Each update that ended, on the station's thread, in the order they end.
  std::function<void(const MemberEnd&)> finished;
  // A calculator whose update succeeded left the bus for its reset and is back.
  std::function<void(const FleetMember&)> back;
  // A calculator known by its path alone (no serial number of its own)
  // appeared at the path of one taken before and is left alone, as it
  // cannot be told from that one: its number, this calculator's interface.
  std::function<void(const FleetMember&)> skipped;
  // A stop came: no more calculators are taken; `running` updates go on.
  std::function<void(int running)> stopping;
  SessionClock now;
  StopSignals& signals;
};

struct StationEnd {
  std::vector<MemberEnd> ends;  // in the order they ended
  bool stopped = false;         // ended by a stop, not by the count
  bool idle = false;            // ended for want of calculators
};

StationEnd RunStation(const StationSettings& settings, const StationPorts& ports);

}  // namespace usblink
