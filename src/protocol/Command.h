#pragma once
// The one way every command is filled in.

#include <cstdint>
#include <span>

#include "protocol/HidCP.h"

namespace usblink::HidCP {

// Writes the report id, `code`, `parameters` from byte 2 on and the sent
// status into OutReport, then runs SendCommand. Every other byte keeps what an
// earlier command left there; the device relies on none of them.
void IssueCommand(const Channel& channel, std::uint8_t code,
                  std::span<const std::uint8_t> parameters = {});

}  // namespace usblink::HidCP
