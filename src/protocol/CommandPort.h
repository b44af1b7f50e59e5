#pragma once
// Everything the calculator's commands ask of the one who started them: the
// window, or a command line that draws lines, bars and JSON.

#include <string_view>

#include "hid/LogPort.h"
#include "protocol/BankCheck.h"
#include "protocol/TransferProgress.h"

namespace usblink {

// The title of the commands' own boxes: the window's caption.
inline constexpr std::string_view kWindowCaption = "USB Link";
// Shown while and after a download runs.
inline constexpr std::string_view kUpdateNote =
    "Note: please don't power off or reset the equitment during the IC program update. "
    "Otherwise, the calculator will be damaged and cannot boot!";

// Everything the commands tell the one who started them. A front end without
// the window's labels and buttons has nothing to do for their calls.
class CommandPort : public LinkWindowPort {
 public:
  // Label5, the progress line.
  virtual void SetProgressCaption(std::string_view /*caption*/) {}
  virtual void SetProgressVisible(bool /*visible*/) {}
  // One more block of a transfer is done; raised beside the progress caption.
  virtual void ReportProgress(const TransferProgress& progress) = 0;
  // A download's bank was checked; raised beside the bank's three log lines,
  // before the box of a mismatch.
  virtual void ReportBankCheck(const BankCheck& /*check*/) {}
  // Label6, the note shown during and after a download.
  virtual void SetNoteCaption(std::string_view /*caption*/) {}
  virtual void SetNoteVisible(bool /*visible*/) {}
  // contion ("USB Link") and CmdOpenFile ("Download").
  virtual void SetLinkButtonEnabled(bool /*enabled*/) {}
  virtual void SetDownloadButtonEnabled(bool /*enabled*/) {}
  // A modal box with one OK button and no icon.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
};

}  // namespace usblink
