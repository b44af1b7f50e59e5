#pragma once
// The Windows SDK headers of the HID backend, in the order they need: the HID
// headers declare their functions without C linkage of their own.

#include "platform/os/win32/LeanWindows.h"
// windows.h first.
#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
// hidsdi.h first: it brings the types hidpi.h uses.
#include <hidpi.h>
}
