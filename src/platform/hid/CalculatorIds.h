#pragma once
// The calculator on the USB bus: its ids, and texts fixed at compile time
// that name them (the udev rule, the access hint).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace usblink {

inline constexpr std::uint16_t kCalculatorVendorId = 0x04FC;
inline constexpr std::uint16_t kCalculatorProductId = 0x0C77;

// `pattern` with each "VVVV" or "vvvv" replaced by the vendor id and each
// "PPPP" or "pppp" by the product id, four hex digits in the placeholder's case.
template <std::size_t N>
constexpr std::array<char, N> WithCalculatorIds(const char (&pattern)[N]) {
  constexpr std::size_t kDigits = 4;
  std::array<char, N> text{};
  for (std::size_t i = 0; i < N; ++i) text[i] = pattern[i];
  for (std::size_t i = 0; i + kDigits < N; ++i) {
    const std::string_view place(text.data() + i, kDigits);
    const bool vendor = place == "VVVV" || place == "vvvv";
    if (!vendor && place != "PPPP" && place != "pppp") continue;
    const std::uint16_t id = vendor ? kCalculatorVendorId : kCalculatorProductId;
    const std::string_view digits =
        place[0] == 'V' || place[0] == 'P' ? "0123456789ABCDEF" : "0123456789abcdef";
    for (std::size_t k = 0; k < kDigits; ++k) {
      text[i + k] = digits[(id >> (4 * (kDigits - 1 - k))) & 0xF];
    }
  }
  return text;
}

}  // namespace usblink
