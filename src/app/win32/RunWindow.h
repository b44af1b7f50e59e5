#pragma once
// One window "USB Link" on a HID backend: its wait, its view, its model and
// the log of the run on disk, wired together and shown until the process ends.

#include "app/UsbWindow.h"
#include "app/win32/WindowsGui.h"
#include "platform/hid/HidApi.h"

namespace usblink::app::win32 {

// `show` as WinMain got it. Returns the exit status: kExitDeviceError when a
// device failure ended the window.
int RunWindow(HidApi& api, HINSTANCE instance, int show, AccessHintSource accessHint = {});

}  // namespace usblink::app::win32
