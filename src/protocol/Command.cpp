#include "protocol/Command.h"

#include <algorithm>
#include <cassert>

namespace usblink::HidCP {

void IssueCommand(const Channel& channel, std::uint8_t code,
                  std::span<const std::uint8_t> parameters) {
  assert(parameters.size() <= kParameterBytes);
  Report& OutReport = channel.link.OutReport;
  OutReport[kReportIdByte] = kReportId;
  OutReport[kCodeByte] = code;
  std::ranges::copy(parameters, OutReport.begin() + kParameterStart);
  OutReport[kStatusByte] = ReplyStatus::Busy;
  SendCommand(channel);
}

}  // namespace usblink::HidCP
