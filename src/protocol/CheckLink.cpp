#include "protocol/CheckLink.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "protocol/HidCP.h"

namespace usblink::HidCP {

namespace {

bool RefuseDevice(CommandPort& window, std::string_view message) {
  window.ShowMessage(message, "Error");
  return false;
}

}  // namespace

bool CheckLink(const Channel& channel, CommandPort& window) {
  IssueCommand(channel, CommandCode::IdentityQuery);
  const bool identityMatches = std::ranges::equal(
      kCalculatorIdentity,
      std::span(channel.link.InReport).subspan(kIdentityStart, kCalculatorIdentity.size()),
      [](char expected, std::uint8_t got) { return static_cast<std::uint8_t>(expected) == got; });
  if (!identityMatches) return RefuseDevice(window, "No" + std::string(kCalculatorIdentity));

  IssueCommand(channel, CommandCode::TypeQuery);
  if (channel.link.InReport[kParameterStart] != kTypeNorm) {
    return RefuseDevice(window, "No UsbType_Norm,Is UsbType_Key");
  }

  IssueCommand(channel, CommandCode::FlashQuery);
  if (channel.link.InReport[kParameterStart] == kFlashUnrecognised) {
    return RefuseDevice(window, "NorFlash Error that is not recognized！");
  }
  return true;
}

}  // namespace usblink::HidCP
