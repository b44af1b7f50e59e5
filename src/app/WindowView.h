#pragma once
// What the window model asks of a toolkit that renders it.

#include <optional>
#include <string>
#include <string_view>

#include "app/FileFilter.h"
#include "app/WindowLayout.h"
#include "protocol/CommandPort.h"

namespace usblink::app {

// What a control shows: its caption (a text box's text), whether it is
// visible and whether it takes input.
struct ControlState {
  std::string caption;
  bool visible = false;
  bool enabled = false;
  friend bool operator==(const ControlState&, const ControlState&) = default;
};

class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void LogAppended(std::string_view line) = 0;
  virtual void LogCleared() = 0;
  virtual void LogLineSelected(std::size_t index) = 0;
  // A control's caption, visibility or enabled flag changed; the model also
  // tells every control's first state this way once, when it is made.
  virtual void ControlChanged(Control control, const ControlState& state) = 0;
  // A block of a transfer is done; Label5's caption has changed beside it.
  virtual void ProgressReported(const TransferProgress& progress) = 0;
  // A download's bank was checked, beside its log lines. A view that shows
  // only the log has nothing more to draw.
  virtual void BankChecked(const BankCheck& /*check*/) {}
  // Modal, one OK button, no icon.
  virtual void ShowMessageBox(std::string_view text, std::string_view title) = 0;
  // The file-open dialog, opened on `earlier` (the name chosen before, empty
  // at first) with it selected; nullopt when closed without a choice.
  virtual std::optional<std::string> ShowOpenFileDialog(const FileFilter& filter,
                                                        std::string_view earlier) = 0;
  // Yes/No before closing in the middle of a transfer.
  virtual bool ConfirmClose(std::string_view question) = 0;
  // The process ends once the running handler has returned.
  virtual void EndProcess() = 0;
};

}  // namespace usblink::app
