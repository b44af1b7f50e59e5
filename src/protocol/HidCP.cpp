#include "protocol/HidCP.h"

#include <optional>
#include <string>

#include "protocol/DeviceFailure.h"

namespace usblink::HidCP {

namespace {

std::optional<std::string> ErrorStatusMessage(std::uint8_t status) {
  switch (status) {
    case ReplyStatus::HandlingError:
      return "Handling Error! ";
    case ReplyStatus::DeviceTimeout:
      return "Timeout Error! ";
    case ReplyStatus::TypeError:
      return "Type  Error(USB Norm Or USB KEY)! ";
    case ReplyStatus::InvalidInstruction:
      return "Invalid instruction Error! ";
    case ReplyStatus::HostTimeout:
      return "PC Timeout Error! ";
    default:
      return std::nullopt;
  }
}

}  // namespace

void WriteOutputReport(HidApi& api, Link& link) {
  api.HidD_SetOutputReport(link.HIDHandle, link.OutReport);
}

void ReadInputReport(HidApi& api, Link& link) {
  Report& InReport = link.InReport;
  InReport[kReportIdByte] = kReportId;
  InReport[kStatusByte] = ReplyStatus::Busy;
  api.HidD_GetInputReport(link.HIDHandle, InReport);
}

void SendCommand(const Channel& channel) {
  Pacer& pacer = channel.pacer;
  Report& InReport = channel.link.InReport;
  pacer.BeforeTransaction();
  WriteOutputReport(channel.api, channel.link);
  const Pacer::Clock::time_point sent = pacer.Now();
  int reads = 0;
  do {
    pacer.WaitForTick();
    ReadInputReport(channel.api, channel.link);
    ++reads;
    const auto sinceSent = pacer.Now() - sent;
    // A reply that has come is taken, however late; a busy one past the time
    // bound ends the wait as the poll budget does.
    const bool overdue =
        InReport[kStatusByte] == ReplyStatus::Busy && sinceSent >= kTransactionTimeLimit;
    if (pacer.PollLimitReached(reads, sinceSent) || overdue) {
      InReport[kStatusByte] = ReplyStatus::HostTimeout;
    }
  } while (InReport[kStatusByte] == ReplyStatus::Busy);
  if (const auto message = ErrorStatusMessage(InReport[kStatusByte])) {
    throw DeviceFailure(InReport[kStatusByte], *message);
  }
}

void CloseDevice(HidApi& api, Link& link) {
  CloseIfOpen(api, link.HIDHandle);
  CloseIfOpen(api, link.ReadHandle);
}

}  // namespace usblink::HidCP
