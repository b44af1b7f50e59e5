#pragma once
// What the window model asks of a toolkit that renders it.

#include <optional>
#include <string>
#include <string_view>

#include "app/WindowLayout.h"

namespace usblink::app {

class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void LogAppended(std::string_view line) = 0;
  virtual void LogCleared() = 0;
  virtual void LogLineSelected(std::size_t index) = 0;
  // A control's caption, visibility or enabled flag changed.
  virtual void ControlChanged(Control control) = 0;
  // Modal, one OK button, no icon.
  virtual void ShowMessageBox(std::string_view text, std::string_view title) = 0;
  // The file-open dialog; nullopt when closed without a choice.
  virtual std::optional<std::string> ShowOpenFileDialog(std::string_view filter) = 0;
  // Yes/No before closing in the middle of a transfer.
  virtual bool ConfirmClose(std::string_view question) = 0;
  // The process ends once the running handler has returned.
  virtual void EndProcess() = 0;
};

}  // namespace usblink::app
