// usblink-demo: the window "USB Link" on the built-in simulated calculator,
// with two other HID devices before it, so the whole flow can be seen without
// a calculator.

#include "app/win32/UsbLinkWindow.h"
#include "sim/SimHidApi.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  auto bus = usblink::sim::SimBus::WithCalculator(2);
  usblink::sim::SimHidApi api(bus);
  return usblink::app::win32::RunWindow(api, instance, show, {}, usblink::app::kDemoWindowCaption);
}
