// usblink: the window "USB Link" on the machine's HID devices.

#include "app/win32/UsbLinkWindow.h"
#include "platform/hid/HidApi.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const auto api = usblink::MakePlatformHidApi();
  return usblink::app::win32::RunWindow(*api, instance, show, usblink::PlatformAccessHintLine);
}
