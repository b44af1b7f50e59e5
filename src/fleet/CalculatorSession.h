#pragma once
// One calculator's session of a device command: connect, then download,
// read back or verify, as the window's buttons do, with the short account,
// the progress and the stops of the command line. A run for one calculator
// runs it once; --all and the station once for each calculator, each on a
// thread of its own with a backend, pacer and view of its own.

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "fleet/Request.h"
#include "fleet/SessionPort.h"
#include "platform/hid/HidApi.h"
#include "protocol/DownloadImage.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Pacer.h"

namespace usblink {

// How a run ended: its exit status and, for a download, how far it came.
struct RunEnd {
  int status = 0;
  std::optional<HidCP::DownloadState> download;
  // What the result object tells beyond the outcome, where the run says it
  // itself (a run over several calculators).
  std::optional<Json> fields;
};

// --wait: when waiting for a calculator ends, on `pacer`'s clock, and how
// often the interfaces are walked until then.
Pacer::Clock::time_point WaitDeadline(const Options& options, Pacer& pacer);
inline constexpr std::chrono::milliseconds kWaitInterval{250};

// How much a session tells, from -q and -v.
Detail DetailOf(const Options& options);

// What a session among others of one run needs besides.
struct SessionRole {
  // The first Ctrl-C passes for the whole session.
  bool stationUpdate = false;
  // Held while the session's discovery walks the interfaces: a walk opens
  // every calculator in turn, which on Linux takes its node's lock for that
  // moment, so another session's walk at the same moment would find its own
  // calculator in use.
  std::mutex* discoveryTurn = nullptr;
};

// `image`: loaded before any calculator was touched, for download and verify.
RunEnd CalculatorSession(const Options& options, std::optional<FirmwareImage> image,
                         SessionPort& view, HidApi& api, Pacer& pacer,
                         const Environment& environment, SessionRole role = {});

// A run with its --log file: `run` runs once the file is open, and the run
// ends with its result object and, after a download that changed the flash
// without a commit, the state it left. `fields` gets what the result object
// told beyond the outcome. The run's exit status.
int ReportedRun(const Options& options, SessionPort& view, const std::function<RunEnd()>& run,
                Json& fields);

}  // namespace usblink
