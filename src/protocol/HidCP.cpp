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
  Report& InReport = channel.link.InReport;
  WriteOutputReport(channel.api, channel.link);
  channel.pacer.BeginTransaction();
  int reads = 0;
  do {
    channel.pacer.WaitForTick();
    ReadInputReport(channel.api, channel.link);
    ++reads;
    if (channel.pacer.PollLimitReached(reads)) InReport[kStatusByte] = ReplyStatus::HostTimeout;
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
