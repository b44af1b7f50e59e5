#pragma once
// The link handshake: is the opened device the calculator, and ready?

#include "protocol/HidCP.h"
#include "protocol/WindowPort.h"

namespace usblink::HidCP {

// Sends the identity, type and flash queries, in this order, stopping at the
// first refused answer with its "Error" box. True when all three pass. The
// device stays open either way; DeviceFailure propagates.
bool CheckLink(const Channel& channel, WindowPort& window);

}  // namespace usblink::HidCP
