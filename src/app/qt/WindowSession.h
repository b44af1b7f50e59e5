#pragma once
// One window "USB Link" on a HID backend: its wait, its view, its model and
// the log of the run on disk, wired together.

#include <functional>

#include "app/SessionLog.h"
#include "app/UsbWindow.h"
#include "app/qt/DialogPort.h"
#include "app/qt/QtEventLoop.h"
#include "app/qt/UsbLinkWindow.h"

namespace usblink::app::qt {

class WindowSession {
 public:
  WindowSession(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint = {});
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  [[nodiscard]] UsbLinkWindow& View() { return view_; }
  [[nodiscard]] UsbWindow& Model() { return model_; }
  [[nodiscard]] QtEventLoop& Events() { return events_; }
  [[nodiscard]] const SessionLog& Log() const { return log_; }

 private:
  SessionLog log_;
  QtEventLoop events_;
  UsbLinkWindow view_;
  UsbWindow model_;
};

// Shows the window and handles its events until the process ends; a
// QApplication must exist. `shown` runs once the window is on screen.
// Returns the exit status: kExitDeviceError when a device failure ended it.
int RunWindow(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint = {},
              const std::function<void(WindowSession&)>& shown = {});

}  // namespace usblink::app::qt
