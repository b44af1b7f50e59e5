#include "protocol/Command.h"

#include <algorithm>
#include <cassert>

namespace usblink::HidCP {

void IssueCommand(const Channel& channel, std::uint8_t code,
                  std::span<const std::uint8_t> parameters) {
  assert(parameters.size() <= kParameterBytes);
  Report& OutReport = channel.link.OutReport;
  OutReport[0] = kReportId;
  OutReport[1] = code;
  std::ranges::copy(parameters, OutReport.begin() + 2);
  OutReport[kStatusByte] = ReplyStatus::Busy;
  SendCommand(channel);
}

}  // namespace usblink::HidCP
