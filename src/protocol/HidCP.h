#pragma once
// Module HidCP: the command transaction every exchange with the calculator
// goes through, on the link to that calculator.

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "hid/Link.h"
#include "platform/hid/HidApi.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Pacer.h"

namespace usblink {

// An error status of the device, or a device that stayed busy past its budget.
// The front end that started the command shows the message in a box titled
// "Error", closes the device and ends.
class DeviceFailure : public std::runtime_error {
 public:
  DeviceFailure(std::uint8_t status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  [[nodiscard]] std::uint8_t Status() const { return status_; }

 private:
  std::uint8_t status_;
};

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

// Writes the report id, `code`, `parameters` from byte 2 on and the sent
// status into OutReport, then runs SendCommand. Every other byte keeps what an
// earlier command left there; the device relies on none of them.
void IssueCommand(const Channel& channel, std::uint8_t code,
                  std::span<const std::uint8_t> parameters = {});

// Closes HIDHandle and then ReadHandle, each only when open, and marks them closed.
void CloseDevice(HidApi& api, Link& link);

}  // namespace HidCP
}  // namespace usblink
