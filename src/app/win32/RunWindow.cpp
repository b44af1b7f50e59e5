#include "app/win32/RunWindow.h"

#include "app/UsbWindow.h"
#include "app/win32/UsbLinkWindow.h"
#include "app/win32/Win32EventLoop.h"

namespace usblink::app::win32 {

int RunWindow(HidApi& api, HINSTANCE instance, int show) {
  Win32EventLoop events;
  UsbLinkWindow view(instance, events);
  UsbWindow model(api, events.Pacer(), view);
  view.Attach(model);
  view.Show(show);
  return events.Run();
}

}  // namespace usblink::app::win32
