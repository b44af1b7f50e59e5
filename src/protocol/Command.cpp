#include "protocol/Command.h"

#include <algorithm>
#include <cassert>

namespace usblink::HidCP {

void IssueCommand(const Channel& channel, std::uint8_t code,
                  std::span<const std::uint8_t> parameters) {
  assert(parameters.size() <= kParameterBytes);
  channel.link.OutReport[kReportIdByte] = kReportId;
  channel.link.OutReport[kCodeByte] = code;
  std::ranges::copy(parameters, channel.link.OutReport.begin() + kParameterStart);
  channel.link.OutReport[kStatusByte] = ReplyStatus::Busy;
  SendCommand(channel);
}

}  // namespace usblink::HidCP
