#pragma once
// Module HidCP: the command transaction every exchange with the calculator
// goes through, on the link to that calculator.

#include <array>
#include <cstdint>

#include "hid/Link.h"
#include "platform/hid/HidApi.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Pacer.h"

namespace usblink {

namespace HidCP {

// What a transaction talks through.
struct Channel {
  HidApi& api;
  Pacer& pacer;
  Link& link;
};

void WriteOutputReport(HidApi& api, Link& link);
void ReadInputReport(HidApi& api, Link& link);

// Sends OutReport once, then polls InReport until the device is no longer
// busy. Throws DeviceFailure on an error status, after the poll budget or
// once a busy reply comes later than kTransactionTimeLimit after the send;
// TransactionsStopped, before anything is sent, when the pacer was asked to stop.
void SendCommand(const Channel& channel);

// Closes HIDHandle and then ReadHandle, each only when open, and marks them closed.
void CloseDevice(HidApi& api, Link& link);

}  // namespace HidCP
}  // namespace usblink
