#pragma once
// One window "USB Link" on a HID backend: its wait, its view and its model,
// wired together and shown until the process ends.

#include "app/win32/WindowsGui.h"
#include "platform/HidApi.h"

namespace usblink::app::win32 {

// `show` as WinMain got it. Returns the exit status.
int RunWindow(HidApi& api, HINSTANCE instance, int show);

}  // namespace usblink::app::win32
