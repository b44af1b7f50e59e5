#pragma once
// Everything the calculator's commands ask of the one who started them: the
// window, or a command line that draws lines, bars and JSON.

#include <cstdint>
#include <string_view>

#include "hid/ApiLog.h"

namespace usblink {

// How far a transfer has come, counted in blocks, for front ends that show
// more than the progress caption: a bar, a count.
enum class Transfer { Download, ReadBack };

struct TransferProgress {
  Transfer transfer;
  int blocksDone;
  int blocksInAll;
  friend bool operator==(const TransferProgress&, const TransferProgress&) = default;
};

// One bank's checksum test in a download: the sum of what the host sent and
// the device's own sum of what its flash holds.
struct BankCheck {
  int bank;
  std::uint32_t hostSum;
  std::uint32_t deviceSum;
  [[nodiscard]] bool Verified() const { return hostSum == deviceSum; }
  friend bool operator==(const BankCheck&, const BankCheck&) = default;
};

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
