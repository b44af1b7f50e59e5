#pragma once
// The one rule for a string that comes from a device (its serial number,
// its names): made safe where it enters, so that selection, file names, logs,
// JSON and the terminal all see the same text.

#include <cstddef>
#include <string>
#include <string_view>

namespace usblink {

// A USB string descriptor holds at most 126 characters.
inline constexpr std::size_t kMostDeviceTextCharacters = 126;

// `raw` with every control character (C0, DEL, C1) and every byte that is not
// part of well-formed UTF-8 replaced by '?', and cut after
// kMostDeviceTextCharacters characters.
std::string DeviceText(std::string_view raw);

// The length of the well-formed UTF-8 sequence at the start of `text`
// (1 for ASCII), or 0 where none begins there.
std::size_t Utf8SequenceLength(std::string_view text);

}  // namespace usblink
