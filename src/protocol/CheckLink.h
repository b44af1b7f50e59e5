#pragma once
// The link handshake: is the opened device the calculator, and ready?

#include "protocol/CommandPort.h"
#include "protocol/HidCP.h"

namespace usblink::HidCP {

// Sends the identity, type and flash queries, in this order, stopping at the
// first refused answer with its "Error" box. True when all three pass. The
// device stays open either way; DeviceFailure propagates.
bool CheckLink(const Channel& channel, CommandPort& window);

}  // namespace usblink::HidCP
