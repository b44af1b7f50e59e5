#include "protocol/HidCP.h"

#include <algorithm>
#include <cassert>
#include <optional>
#include <string>

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
  link.InReport[kReportIdByte] = kReportId;
  link.InReport[kStatusByte] = ReplyStatus::Busy;
  api.HidD_GetInputReport(link.HIDHandle, link.InReport);
}

void SendCommand(const Channel& channel) {
  channel.pacer.BeforeTransaction();
  WriteOutputReport(channel.api, channel.link);
  const Pacer::Clock::time_point sent = channel.pacer.Now();
  int reads = 0;
  do {
    channel.pacer.WaitForTick(reads);
    ReadInputReport(channel.api, channel.link);
    ++reads;
    const auto sinceSent = channel.pacer.Now() - sent;
    // A reply that has come is taken, however late; a busy one past the time
    // bound ends the wait as the poll budget does.
    const bool overdue = channel.link.InReport[kStatusByte] == ReplyStatus::Busy &&
                         sinceSent >= kTransactionTimeLimit;
    if (channel.pacer.PollLimitReached(reads, sinceSent) || overdue) {
      channel.link.InReport[kStatusByte] = ReplyStatus::HostTimeout;
    }
  } while (channel.link.InReport[kStatusByte] == ReplyStatus::Busy);
  if (const auto message = ErrorStatusMessage(channel.link.InReport[kStatusByte])) {
    throw DeviceFailure(channel.link.InReport[kStatusByte], *message);
  }
}

void IssueCommand(const Channel& channel, std::uint8_t code,
                  std::span<const std::uint8_t> parameters) {
  assert(parameters.size() <= kParameterBytes);
  channel.link.OutReport[kReportIdByte] = kReportId;
  channel.link.OutReport[kCodeByte] = code;
  std::ranges::copy(parameters, channel.link.OutReport.begin() + kParameterStart);
  channel.link.OutReport[kStatusByte] = ReplyStatus::Busy;
  SendCommand(channel);
}

void CloseDevice(HidApi& api, Link& link) {
  CloseIfOpen(api, link.HIDHandle);
  CloseIfOpen(api, link.ReadHandle);
}

}  // namespace usblink::HidCP
