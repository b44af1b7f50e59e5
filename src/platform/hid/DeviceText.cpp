#include "platform/hid/DeviceText.h"

#include <cstdint>

namespace usblink {

namespace {

constexpr char kReplacement = '?';

bool IsControl(std::string_view sequence) {
  const auto lead = static_cast<std::uint8_t>(sequence[0]);
  if (sequence.size() == 1) return lead < 0x20 || lead == 0x7F;
  // U+0080 to U+009F.
  return lead == 0xC2 && static_cast<std::uint8_t>(sequence[1]) < 0xA0;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  // The second byte's range excludes overlong forms, surrogates and code
  // points past U+10FFFF.
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

std::string DeviceText(std::string_view raw) {
  std::string text;
  for (std::size_t characters = 0; !raw.empty() && characters < kMostDeviceTextCharacters;
       ++characters) {
    const std::size_t length = Utf8SequenceLength(raw);
    if (length == 0 || IsControl(raw.substr(0, length))) {
      text += kReplacement;
      raw.remove_prefix(length == 0 ? 1 : length);
    } else {
      text += raw.substr(0, length);
      raw.remove_prefix(length);
    }
  }
  return text;
}

}  // namespace usblink
