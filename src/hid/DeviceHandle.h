#pragma once
// Closing a device handle once: discovery and CloseDevice both rely on it.

#include "platform/HidApi.h"

namespace usblink::HidCP {

[[nodiscard]] bool IsOpen(Handle handle);

// Closes the handle when it is open and marks it closed, so no handle is ever
// closed twice.
void CloseIfOpen(HidApi& api, Handle& handle);

}  // namespace usblink::HidCP
