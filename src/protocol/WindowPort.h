#pragma once
// Everything the update commands ask of the window, and nothing more.

#include <string>
#include <string_view>

#include "hid/LogPort.h"
#include "protocol/BankCheck.h"
#include "protocol/TransferProgress.h"

namespace usblink {

class WindowPort : public LinkWindowPort {
 public:
  // Label5, the progress line.
  virtual void SetProgressCaption(std::string_view caption) = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  // One more block of a transfer is done; raised beside the progress caption.
  virtual void ReportProgress(const TransferProgress& progress) = 0;
  // A download's bank was checked; raised beside the bank's three log lines,
  // before the box of a mismatch.
  virtual void ReportBankCheck(const BankCheck& check) = 0;
  // Label6, the note shown during and after a download.
  virtual void SetNoteCaption(std::string_view caption) = 0;
  virtual void SetNoteVisible(bool visible) = 0;
  // contion ("USB Link") and CmdOpenFile ("Download").
  virtual void SetLinkButtonEnabled(bool enabled) = 0;
  virtual void SetDownloadButtonEnabled(bool enabled) = 0;
  // The file name the file-open dialog holds.
  [[nodiscard]] virtual std::string ChosenFileName() = 0;
  // A modal box with one OK button and no icon.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
};

}  // namespace usblink
