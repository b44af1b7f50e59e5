#pragma once
// Module HidCP: the two report buffers, the device handle and the command
// transaction every exchange with the calculator goes through.

#include <array>
#include <cstdint>

#include "hid/DeviceHandle.h"
#include "platform/CalculatorProtocol.h"
#include "platform/HidApi.h"
#include "protocol/Pacer.h"

namespace usblink {

namespace HidCP {

// Never cleared: a byte a command does not write keeps what an earlier one left.
extern Report OutReport;
extern Report InReport;

// What a transaction talks through.
struct Channel {
  HidApi& api;
  Pacer& pacer;
};

void WriteOutputReport(HidApi& api);
void ReadInputReport(HidApi& api);

// Sends OutReport once, then polls InReport until the device is no longer
// busy. Throws DeviceFailure on an error status or after the poll budget.
void SendCommand(const Channel& channel);

// Closes HIDHandle and then readHandle, each only when open, and marks them closed.
void CloseDevice(HidApi& api, Handle& readHandle);

}  // namespace HidCP
}  // namespace usblink
