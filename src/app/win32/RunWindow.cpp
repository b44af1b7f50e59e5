#include "app/win32/RunWindow.h"

#include <chrono>

#include "app/SessionLog.h"
#include "app/win32/UsbLinkWindow.h"
#include "app/win32/Win32EventLoop.h"
#include "platform/os/SessionLogFolder.h"

namespace usblink::app::win32 {

int RunWindow(HidApi& api, HINSTANCE instance, int show, AccessHintSource accessHint) {
  SessionLog log(SessionLogFolder(), std::chrono::system_clock::now());
  Win32EventLoop events;
  UsbLinkWindow view(instance, events);
  UsbWindow model(api, events.Pacer(), view);
  model.KeepSessionLog(log);
  model.SetAccessHint(std::move(accessHint));
  view.Attach(model);
  view.Show(show);
  const int status = events.Run();
  if (const int ended = model.ExitStatus(); ended != 0) return ended;
  return status;
}

}  // namespace usblink::app::win32
