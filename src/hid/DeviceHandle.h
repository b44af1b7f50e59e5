#pragma once
// The opened calculator's handle, shared by discovery, which opens it, and the
// report transaction, which talks through it and closes it.

#include "platform/HidApi.h"

namespace usblink::HidCP {

// The interface under examination during a walk; after a match the calculator.
extern Handle HIDHandle;

[[nodiscard]] bool IsOpen(Handle handle);

// Closes the handle when it is open and marks it closed, so no handle is ever
// closed twice.
void CloseIfOpen(HidApi& api, Handle& handle);

}  // namespace usblink::HidCP
