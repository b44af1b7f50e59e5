#pragma once
// What a stop asked from outside (Ctrl-C, SIGTERM, SIGHUP, a console closed)
// means for the command running now. A download cut short can leave the
// calculator unable to start, so it lets the first Ctrl-C pass with a
// warning; a second one, or a request to end, stops it. Connect, read,
// backup and verify stop at the first. A station's updates let the first
// pass from start to end: it only stops the station taking more. A stop
// always falls between two transactions.

#include "fleet/SessionPort.h"
#include "platform/os/StopSignals.h"

namespace usblink {

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

}  // namespace usblink
