#pragma once
// Device paths name the same interface when they differ only in case, as
// Windows' do; a path someone typed is compared so on every platform.

#include <algorithm>
#include <cctype>
#include <string_view>

namespace usblink {

[[nodiscard]] inline bool SameDevicePath(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace usblink
