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
#include <string_view>
#include <utility>

#include "fleet/Request.h"
#include "fleet/SessionPort.h"
#include "platform/hid/HidApi.h"
#include "platform/os/StopSignals.h"
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
  // The run's own view, for what concerns the run rather than this
  // calculator: the warning after the first Ctrl-C, and what to do after
  // the commits, which the run tells once.
  SessionPort* run = nullptr;
  // Held while the session's discovery walks the interfaces: a walk opens
  // every calculator in turn, which on Linux takes its node's lock for that
  // moment, so another session's walk at the same moment would find its own
  // calculator in use. The handshakes and transfers run outside it, side by
  // side.
  std::mutex* discoveryTurn = nullptr;
};

// `image`: loaded before any calculator was touched, for download and verify.
RunEnd CalculatorSession(const Options& options, std::optional<FirmwareImage> image,
                         SessionPort& view, HidApi& api, Pacer& pacer,
                         const Environment& environment, SessionRole role = {});

// What to do once the calculators `which` names have their update committed:
// "Next: the calculator is now updating itself (1-3 min); ...".
std::string NextAfterCommit(std::string_view which);

// The command that runs `options`' download again on the same calculator
// alone: `download --device SIM0002 "new.UD"`.
std::string RerunCommand(const Options& options);

// A run with its --log file: `run` runs once the file is open, and the run
// ends with its result object and, after a download that changed the flash
// without a commit, the state it left. `fields` gets what the result object
// told beyond the outcome. The run's exit status.
int ReportedRun(const Options& options, SessionPort& view, const std::function<RunEnd()>& run,
                Json& fields);

// ReportedRun in its parts, for a run that leaves something behind even when
// its log cannot be made. Opens the --log file; when it cannot be made, after
// the box, how the run ends, before its command begins.
std::optional<RunEnd> OpenRunLog(const Options& options, SessionPort& view);
// The run's end after `end`, its log open or refused.
int EndRun(const Options& options, SessionPort& view, RunEnd end, Json& fields);

// What a stop asked from outside (Ctrl-C, SIGTERM, SIGHUP, a console closed)
// means for the command running now. A download cut short can leave the
// calculator unable to start, so it lets the first Ctrl-C pass with a
// warning; a second one, or a request to end, stops it. Connect, read,
// backup and verify stop at the first. A station's updates let the first
// pass from start to end: it only stops the station taking more. A stop
// always falls between two transactions.

class StopPolicy {
 public:
  // `stationUpdate`: the first interrupt passes for the whole session.
  StopPolicy(StopSignals& signals, SessionPort& view, bool stationUpdate = false)
      : signals_(signals),
        view_(view),
        outsideDownload_(stationUpdate ? 1 : 0),
        tolerated_(outsideDownload_) {}

  // The download's transactions run between these two.
  void DownloadStarts() { tolerated_ = 1; }
  void DownloadEnds() { tolerated_ = outsideDownload_; }

  // Asked before every transaction and between tries: true when the running
  // command must stop now. The first Ctrl-C of a download is announced here
  // (a station announces its own).
  [[nodiscard]] bool StopNow();

 private:
  StopSignals& signals_;
  SessionPort& view_;
  int outsideDownload_;  // interrupts that pass outside the download
  int tolerated_;        // interrupts that pass now
};

// Tells after each poll how long the running exchange has waited for the
// calculator's answer, so the terminal can say so while the calculator is
// silent. The waits and the clock are those of the pacer it wraps.

class StallWatch final : public Pacer {
 public:
  StallWatch(Pacer& paced, std::function<void(Clock::duration waited)> report)
      : paced_(paced), report_(std::move(report)) {}

  void BeforeTransaction() override {
    paced_.BeforeTransaction();
    sent_ = paced_.Now();
  }
  void WaitForTick(int polls) override {
    paced_.WaitForTick(polls);
    report_(paced_.Now() - sent_);
  }
  [[nodiscard]] bool PollLimitReached(int reads, Clock::duration sinceSent) const override {
    return paced_.PollLimitReached(reads, sinceSent);
  }
  [[nodiscard]] Clock::time_point Now() const override { return paced_.Now(); }

 private:
  Pacer& paced_;
  std::function<void(Clock::duration)> report_;
  Clock::time_point sent_{};
};

}  // namespace usblink
