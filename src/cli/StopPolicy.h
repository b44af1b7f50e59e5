#pragma once
// What a stop asked from outside (Ctrl-C, SIGTERM, SIGHUP, a console closed)
// means for the command running now. A download cut short can leave the
// calculator unable to start, so it lets the first Ctrl-C pass with a
// warning; a second one, or a request to end, stops it. Connect, read,
// backup and verify stop at the first. A stop always falls between two
// transactions.

#include "cli/TerminalView.h"
#include "platform/StopSignals.h"

namespace usblink::cli {

class StopPolicy {
 public:
  StopPolicy(StopSignals& signals, TerminalView& view) : signals_(signals), view_(view) {}

  // The download's transactions run between these two.
  void DownloadStarts() { tolerated_ = 1; }
  void DownloadEnds() { tolerated_ = 0; }

  // Asked before every transaction and between tries: true when the running
  // command must stop now. The first Ctrl-C of a download is announced here.
  [[nodiscard]] bool StopNow();

 private:
  StopSignals& signals_;
  TerminalView& view_;
  int tolerated_ = 0;  // interrupts that pass
};

}  // namespace usblink::cli
