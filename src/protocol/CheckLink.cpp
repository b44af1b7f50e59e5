#include "protocol/CheckLink.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "protocol/Command.h"

namespace usblink::HidCP {

namespace {

constexpr std::string_view kIdentity = "VQHDL307E TRM815C";
constexpr std::uint8_t kTypeNorm = 0;
constexpr std::uint8_t kFlashUnrecognised = 0xFF;

bool Refuse(WindowPort& window, std::string_view message) {
  window.ShowMessage(message, "Error");
  return false;
}

}  // namespace

bool CheckLink(const Channel& channel, WindowPort& window) {
  IssueCommand(channel, Code::IdentityQuery);
  const bool identityMatches = std::ranges::equal(
      kIdentity, std::span(InReport).subspan(2, kIdentity.size()),
      [](char expected, std::uint8_t got) { return static_cast<std::uint8_t>(expected) == got; });
  if (!identityMatches) return Refuse(window, "No" + std::string(kIdentity));

  IssueCommand(channel, Code::TypeQuery);
  if (InReport[2] != kTypeNorm) return Refuse(window, "No UsbType_Norm,Is UsbType_Key");

  IssueCommand(channel, Code::FlashQuery);
  if (InReport[2] == kFlashUnrecognised) {
    return Refuse(window, "NorFlash Error that is not recognized！");
  }
  return true;
}

}  // namespace usblink::HidCP
